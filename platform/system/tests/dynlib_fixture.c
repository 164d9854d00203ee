/* Exports for the run-time loading tests. */
int tw_test_answer(void) { return 42; }
