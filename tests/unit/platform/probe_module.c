/* Something to dlopen: the tests ask the stand-in for this module's file name. */
__attribute__((visibility("default"))) int platform_probe_value(void) { return 42; }
