#include "host/options.h"

#include "host/whole_number.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace mvhost {
namespace {

bool ParseSeconds(const char* text, double& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text, &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0 || value > 86400) return false;
  out = value;
  return true;
}

// "WxH" with both sides in range.
bool ParseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const std::string_view size(text);
  int w = 0, h = 0;
  if (!ParseInt(size.substr(0, x), 16, 8192, w) || !ParseInt(size.substr(x + 1), 16, 8192, h)) return false;
  width = w;
  height = h;
  return true;
}

enum LongOnly { kStartTimeout = 1000 };

// `result` with the error for an option value that does not parse.
OptionsParse& Refused(OptionsParse& result, const std::string& expected) {
  result.error = expected + ", got \"" + optarg + "\"";
  return result;
}

}  // namespace

OptionsParse ParseCommandLine(int argc, char* const* argv) {
  static const option kOptions[] = {
      {"library", required_argument, nullptr, 'l'},
      {"size", required_argument, nullptr, 's'},
      {"frames", required_argument, nullptr, 'f'},
      {"seconds", required_argument, nullptr, 't'},
      {"out", required_argument, nullptr, 'o'},
      {"zoom", required_argument, nullptr, 'z'},
      {"action", required_argument, nullptr, 'a'},
      {"window", no_argument, nullptr, 'w'},
      {"start-timeout", required_argument, nullptr, kStartTimeout},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  OptionsParse result;
  HostOptions& o = result.options;
  optind = 0;  // restart getopt's scan (GNU), so the parser can run more than once
  opterr = 0;
  int c;
  while ((c = getopt_long(argc, argv, ":l:s:f:t:o:z:a:wh", kOptions, nullptr)) != -1) {
    switch (c) {
      case 'l':
        o.library = optarg;
        break;
      case 's':
        if (!ParseSize(optarg, o.width, o.height))
          return Refused(result, "--size: expected WIDTHxHEIGHT, each 16 to 8192");
        break;
      case 'f':
        if (!ParseInt(optarg, 1, 1000000, o.frames)) return Refused(result, "--frames: expected a count of at least 1");
        break;
      case 't':
        if (!ParseSeconds(optarg, o.seconds))
          return Refused(result, "--seconds: expected 0 to 86400");
        break;
      case kStartTimeout:
        if (!ParseSeconds(optarg, o.start_timeout) || o.start_timeout <= 0)
          return Refused(result, "--start-timeout: expected seconds above 0");
        break;
      case 'o':
        o.out = optarg;
        if (o.out.empty()) {
          result.error = "--out: empty path";
          return result;
        }
        break;
      case 'z':
        if (!ParseInt(optarg, 10, 500, o.zoom)) return Refused(result, "--zoom: expected a percentage from 10 to 500");
        break;
      case 'a': {
        ActionParse parsed = ParseActions(optarg);
        if (!parsed.error.empty()) {
          result.error = "--action: " + parsed.error;
          return result;
        }
        o.actions.insert(o.actions.end(), parsed.actions.begin(), parsed.actions.end());
        break;
      }
      case 'w':
        o.window = true;
        break;
      case 'h':
        o.help = true;
        return result;
      case ':':
        result.error = std::string("option ") + argv[optind - 1] + " needs a value";
        return result;
      default:
        result.error = std::string("unknown option ") + (optind > 0 && optind <= argc ? argv[optind - 1] : "?");
        return result;
    }
  }
  if (optind < argc) o.page = argv[optind++];
  if (optind < argc) {
    result.error = std::string("more than one page given: \"") + argv[optind] + "\"";
    return result;
  }
  return result;
}

std::string UsageText(const std::string& program) {
  return "usage: " + program + R"( [options] [URL|FILE]

Shows a page in a windowless browser of libmvcefdll and drives it the way a game does.
Without URL or FILE it shows the bundled demo page.

  -l, --library PATH       the library to load (default: libmvcefdll.so next to mvhost)
  -s, --size WxH           view size in pixels (default 800x600)
  -f, --frames N           stop once N frames have arrived
  -t, --seconds S          keep running S seconds after the actions (default 2;
                           with --window: until the window is closed)
  -o, --out PATH           write the last frame as PNG
  -z, --zoom PERCENT       page zoom, 10 to 500 (default 100)
  -a, --action LIST        input to play once the page shows, items separated by ';':
                             click:X,Y  type:TEXT  ime:TEXT  wheel:X,Y,DELTA  wait:MS
                             load:URL  back  forward  reload
                           (a backslash escapes ';' in TEXT; the option may repeat)
  -w, --window             show the frames in a window and forward its mouse, wheel,
                           keyboard and text input (needs a display)
      --start-timeout S    seconds to wait for the first frame (default 30)
  -h, --help               this text

Prints each text the page sends as "message: NAME VALUE", answers it as uploaded, and
prints the page text read back at the end.
Exit status: 0 ok, 1 other failure, 2 bad usage, 3 library missing or incomplete,
4 browser engine did not start, 5 page unreadable or failed to load.
Environment: MVCEF_CHROMIUM (Chromium executable), MVCEF_DEBUG=1 (engine diagnostics).
)";
}

}  // namespace mvhost
