// The joiner copy travels in every set, so it carries as little of the C++
// runtime as it can. Built without exceptions, it takes allocation and the
// library's few fatal errors from here instead of from the runtime's own
// versions, which would bring the unwinder, the exception classes and the
// name demangler along. Each of these errors is a broken invariant or an
// exhausted memory, which the joiner could not have recovered from anyway.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "joiner/LeanRuntime.h"
#include "texts/JoinerTexts.h"

namespace portelan::lean {

#ifndef _WIN32
// The Windows joiner, a window program without a console, says it otherwise.
[[noreturn]] void Fatal(const char* what)
{
    std::fputs(portelan::Tr(portelan::JoinerText::InternalError), stderr);
    std::fputs(": ", stderr);
    std::fputs(what, stderr);
    std::fputs("\n", stderr);
    std::abort();
}
#endif

} // namespace portelan::lean

namespace {

using portelan::lean::Fatal;

void* Allocate(std::size_t n)
{
    if (void* p = std::malloc(n ? n : 1))
        return p;
    Fatal(portelan::Tr(portelan::JoinerText::NoMemory));
}

} // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

// The library's inline code reports its errors through these.
namespace std {
void __throw_bad_alloc() { Fatal("bad_alloc"); }
void __throw_bad_array_new_length() { Fatal("bad_array_new_length"); }
void __throw_length_error(const char* what) { Fatal(what); }
void __throw_logic_error(const char* what) { Fatal(what); }
void __throw_out_of_range(const char* what) { Fatal(what); }
void __throw_out_of_range_fmt(const char* what, ...) { Fatal(what); }
void __throw_invalid_argument(const char* what) { Fatal(what); }
void __throw_system_error(int) { Fatal("system_error"); }
void __throw_bad_function_call() { Fatal("bad_function_call"); }
} // namespace std

extern "C" void __cxa_pure_virtual() { Fatal("pure virtual call"); }
