#ifndef AUTOTEST_TEST_STATE_H
#define AUTOTEST_TEST_STATE_H

#include <QtGlobal>

// The counters of the automatic tests. They live as long as the program, not as long as the test
// window: the window's load handler and the start buttons set them back to 0.

// The step of the running test: the output under test in tests 1 to 3, the cycle of tests 4 and 5,
// the tick of test 6.
inline qint16 TestStep = 0;
// Passes over the eight outputs that tests 2 and 3 have finished.
inline qint16 TestRound = 0;

#endif
