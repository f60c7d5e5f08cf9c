// A shared object the start-up tests load from a folder of its own: its module path is what
// the sub-process path rules are derived from.
extern "C" __attribute__((visibility("default"))) int mvcef_systest_probe() { return 1; }
