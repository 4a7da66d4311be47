/* Preloaded into 32-bit Wine when it runs under qemu-i386 (the emulated
 * i686 route, scripts/i686-emulation.sh). qemu hands a signal handler a
 * frame whose trap number is -1; Wine's handlers decide from that number
 * what kind of exception a SIGSEGV, SIGFPE or SIGBUS is, and with -1 every
 * access violation becomes an illegal instruction and structured exception
 * handling breaks. This wraps the handlers Wine installs for those three
 * signals and puts the trap number back from the signal's code first.
 *
 * Built freestanding (gcc -m32 -ffreestanding -nostdlib -shared -fPIC), so
 * it needs no 32-bit C library to build; the layouts below are those of
 * the i386 Linux ABI that glibc uses. sigaction and dlsym come from the
 * emulated program's own C library at load time. */

#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4
#define RTLD_NEXT ((void *)-1l)

#define SI_KERNEL 0x80
#define FPE_INTDIV 1
#define FPE_INTOVF 2
#define BUS_ADRALN 1

#define TRAP_DIVIDE 0
#define TRAP_PROTECTION 13
#define TRAP_PAGE_FAULT 14
#define TRAP_FPU 16
#define TRAP_ALIGNMENT 17

typedef void (*info_handler)(int, void *, void *);

struct i386_sigaction {        /* glibc's struct sigaction on i386 */
  void *handler;               /* sa_handler or sa_sigaction */
  unsigned long mask[32];      /* sigset_t, 1024 bits */
  int flags;
  void (*restorer)(void);
};

extern void *dlsym(void *handle, const char *name);

/* siginfo_t: si_signo, si_errno, si_code. ucontext_t: uc_flags, uc_link,
 * uc_stack (3 words), then mcontext's gregs[19], of which REG_TRAPNO is 12. */
#define SIGINFO_CODE(info) (((int *)(info))[2])
#define UCONTEXT_TRAPNO(uc) (((int *)(uc))[5 + 12])

static info_handler wine_handlers[3];  /* SIGSEGV, SIGFPE, SIGBUS */

static int slot_of(int sig) {
  switch (sig) {
    case SIGSEGV: return 0;
    case SIGFPE: return 1;
    case SIGBUS: return 2;
    default: return -1;
  }
}

static int trap_for(int sig, int code) {
  switch (sig) {
    case SIGSEGV: return code == SI_KERNEL ? TRAP_PROTECTION : TRAP_PAGE_FAULT;
    case SIGFPE: return code == FPE_INTDIV || code == FPE_INTOVF ? TRAP_DIVIDE : TRAP_FPU;
    default: return code == BUS_ADRALN ? TRAP_ALIGNMENT : TRAP_PAGE_FAULT;
  }
}

static void put_back_trapno(int sig, void *info, void *uc) {
  int slot = slot_of(sig);
  if (uc && info && UCONTEXT_TRAPNO(uc) == -1)
    UCONTEXT_TRAPNO(uc) = trap_for(sig, SIGINFO_CODE(info));
  wine_handlers[slot](sig, info, uc);
}

int sigaction(int sig, const struct i386_sigaction *act, struct i386_sigaction *old) {
  static int (*real)(int, const struct i386_sigaction *, struct i386_sigaction *);
  struct i386_sigaction wrapped;
  info_handler before;
  int slot = slot_of(sig), result;
  if (!real) real = dlsym(RTLD_NEXT, "sigaction");
  if (slot < 0) return real(sig, act, old);
  before = wine_handlers[slot];
  if (act && (act->flags & SA_SIGINFO) && act->handler) {
    wrapped = *act;
    wine_handlers[slot] = (info_handler)act->handler;
    wrapped.handler = (void *)put_back_trapno;
    act = &wrapped;
  }
  result = real(sig, act, old);
  if (result == 0 && old && old->handler == (void *)put_back_trapno) old->handler = (void *)before;
  if (result != 0) wine_handlers[slot] = before;
  return result;
}
