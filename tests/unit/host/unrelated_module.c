int mvhost_unrelated_module_answer(void) { return 42; }
