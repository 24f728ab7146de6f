// First-use resolvers: the initial target of every host entry.
//
// A call made through an entry that is not bound yet must bind the entry and then reach the new
// target as though the caller had called it directly: same arguments, same stack, same result,
// for every signature in the list, the variable argument list of 52029 included. No C++ routine
// can forward an argument list it does not know, so each entry's resolver is a small assembly stub,
// the way delay-load thunks work: it pushes the entry's ordinal and jumps to a common part that
// saves the registers that may carry arguments, calls cz_bind_entry (which resolves the entry and
// returns its new target), restores the registers, drops the ordinal and jumps to the target. The
// caller's arguments and return address are untouched on the stack, so the target runs exactly as
// if it had been called, and its result (eax, or st(0) for a double; rax/xmm0 on x86-64) goes
// straight back to the caller.
//
// On i386 every service is __cdecl and takes its arguments on the stack, so only eax/ecx/edx are
// touched, which the caller does not expect to survive a call anyway. On x86-64 (the Linux test
// presets) arguments travel in rdi, rsi, rdx, rcx, r8, r9 and xmm0-7, with al counting vector
// registers for a variable list; all of them are saved around the resolution.
//
// When the resolution leaves the entry empty (Abort, or Ignore without a fallback routine), the
// waiting call must not go through the empty target: cz_bind_entry hands back the service's
// fallback routine instead, which has the service's own signature and returns zero of its result
// type.
#include "host/entries.h"

// The ordinal a stub pushed names its entry: found once, at the entry's first use.
extern "C" cz_proc CZ_CDECL cz_bind_entry(uint32_t ordinal) {
    int32_t index = 0;
    while (g_host_entries[index].id != ordinal)
        ++index;
    resolve_entry(index);
    const cz_proc target = g_host_entries[index].target;
    return target ? target : fallback_routine(index);
}

// Symbol names: MinGW's i386 C names carry a leading underscore.
#if defined(_WIN32) && defined(__i386__)
#define CZ_SYM(s) "_" s
#else
#define CZ_SYM(s) s
#endif

#define CZ_STR2(x) #x
#define CZ_STR(x) CZ_STR2(x)

// clang-format off
#if defined(__i386__)
asm(".text\n"
    ".p2align 4\n" CZ_SYM("cz_resolver_common") ":\n"
    // The caller's return address and the ordinal take 8 bytes; 4 of padding and the argument
    // make 16, so cz_bind_entry runs on a stack as aligned as the caller's (16 bytes on Linux).
    "  subl $4, %esp\n"
    "  pushl 4(%esp)\n"                    // the ordinal again, as cz_bind_entry's cdecl argument
    "  call " CZ_SYM("cz_bind_entry") "\n"
    "  addl $12, %esp\n"                   // argument, padding, ordinal: the caller's frame again
    "  jmp *%eax\n");
#define CZ_STUB_ASM(n)                                                                             \
    ".globl " CZ_SYM("cz_resolver_" #n) "\n" CZ_SYM("cz_resolver_" #n) ":\n"                       \
    "  pushl $" #n "\n"                                                                            \
    "  jmp " CZ_SYM("cz_resolver_common") "\n"
#elif defined(__x86_64__) && !defined(_WIN32)
asm(".text\n"
    ".p2align 4\n"
    "cz_resolver_common:\n" // rsp is 16-byte aligned here: return address + ordinal
    "  subq $192, %rsp\n"
    "  movdqu %xmm0, 0(%rsp)\n"
    "  movdqu %xmm1, 16(%rsp)\n"
    "  movdqu %xmm2, 32(%rsp)\n"
    "  movdqu %xmm3, 48(%rsp)\n"
    "  movdqu %xmm4, 64(%rsp)\n"
    "  movdqu %xmm5, 80(%rsp)\n"
    "  movdqu %xmm6, 96(%rsp)\n"
    "  movdqu %xmm7, 112(%rsp)\n"
    "  movq %rdi, 128(%rsp)\n"
    "  movq %rsi, 136(%rsp)\n"
    "  movq %rdx, 144(%rsp)\n"
    "  movq %rcx, 152(%rsp)\n"
    "  movq %r8, 160(%rsp)\n"
    "  movq %r9, 168(%rsp)\n"
    "  movq %rax, 176(%rsp)\n"
    "  movq 192(%rsp), %rdi\n"
    "  call cz_bind_entry\n"
    "  movq %rax, %r11\n"
    "  movdqu 0(%rsp), %xmm0\n"
    "  movdqu 16(%rsp), %xmm1\n"
    "  movdqu 32(%rsp), %xmm2\n"
    "  movdqu 48(%rsp), %xmm3\n"
    "  movdqu 64(%rsp), %xmm4\n"
    "  movdqu 80(%rsp), %xmm5\n"
    "  movdqu 96(%rsp), %xmm6\n"
    "  movdqu 112(%rsp), %xmm7\n"
    "  movq 128(%rsp), %rdi\n"
    "  movq 136(%rsp), %rsi\n"
    "  movq 144(%rsp), %rdx\n"
    "  movq 152(%rsp), %rcx\n"
    "  movq 160(%rsp), %r8\n"
    "  movq 168(%rsp), %r9\n"
    "  movq 176(%rsp), %rax\n"
    "  addq $200, %rsp\n" // the save area and the ordinal
    "  jmp *%r11\n");
#define CZ_STUB_ASM(n)                                                                             \
    ".globl cz_resolver_" #n "\ncz_resolver_" #n ":\n"                                             \
    "  pushq $" #n "\n"                                                                            \
    "  jmp cz_resolver_common\n"
#else
#error "first-use resolvers exist for i386 and x86-64 only"
#endif

// One stub per service of the list, named by its ordinal.
#define CZ_STUB(ord, ret, params, name) CZ_STUB_ASM(ord)
asm(".text\n" CZ_HOST_SERVICES(CZ_STUB));
#undef CZ_STUB

// clang-format on

#define CZ_STUB_DECL(ord, ret, params, name) extern "C" void CZ_CDECL cz_resolver_##ord(void);
CZ_HOST_SERVICES(CZ_STUB_DECL)
#undef CZ_STUB_DECL

// Every entry starts at its first-use resolver.
HostEntry g_host_entries[CZ_HOST_ENTRY_COUNT] = {
#define CZ_ENTRY_INIT(ord, ret, params, name) {ord, cz_resolver_##ord},
    CZ_HOST_SERVICES(CZ_ENTRY_INIT)
#undef CZ_ENTRY_INIT
};
