// The engine's sub-process executable: hands every process the engine starts to the engine,
// with the application object that carries the page bridge, and exits with the engine's code.
#include <windows.h>

#include "include/cef_app.h"
#include "pagebridge/simple_app.h"

namespace {

int RunSubprocess(const CefMainArgs& main_args) {
  CefRefPtr<SimpleApp> app = new SimpleApp();
  return CefExecuteProcess(main_args, app.get(), NULL);
}

}  // namespace

#if defined(_WIN32)
int APIENTRY WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CefMainArgs main_args(instance);
  return RunSubprocess(main_args);
}
#else
int main(int argc, char* argv[]) {
  CefMainArgs main_args(argc, argv);
  return RunSubprocess(main_args);
}
#endif
