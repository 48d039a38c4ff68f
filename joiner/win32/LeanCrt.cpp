// The Windows joiner's share of the C runtime it leaves out.
#include <windows.h>

#include "joiner/LeanRuntime.h"

struct _exception;

// A window program has no console for the message: the system's own window
// for a fatal end shows it.
[[noreturn]] void portelan::lean::Fatal(const char* what)
{
    FatalAppExitA(0, what);
    ExitProcess(3);
}

extern "C" {

// MinGW's start-up code installs a handler for errors of the math library,
// whose default prints them with fprintf; the joiner does no floating-point
// maths, so a handler that lets the library's result stand does as well.
int _matherr(_exception*) { return 0; }

// The start-up code patches the references to data in DLLs that the linker
// could only import by patching ("pseudo relocations"). The joiner is linked
// with --disable-auto-import and --disable-runtime-pseudo-reloc, so a
// reference that would need one fails the link and there is never anything
// to patch: nothing is left to do at run time.
void _pei386_runtime_relocator() {}

} // extern "C"
