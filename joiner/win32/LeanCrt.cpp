// The Windows joiner's share of the C runtime it leaves out. MinGW's start-up
// code installs a handler for errors of the math library, whose default
// prints them with fprintf; the joiner does no floating-point maths, so a
// handler that only lets the library's result stand does as well, in a
// fraction of the bytes.
struct _exception;

extern "C" int _matherr(_exception*) { return 0; }
