#include "mvcefdll/library_state.h"

#include "mvcefdll/simple_handler.h"

namespace mvcef {

LibraryState& State() {
  // Built on first use and destroyed with the library, which releases every handler it holds.
  static LibraryState state;
  return state;
}

bool EngineRunning() { return State().engine == EngineState::kRunning; }

}  // namespace mvcef
