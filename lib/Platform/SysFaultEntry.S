// The routine a faulting main thread is sent to (SysFaults.cpp): it pushes
// the fault's return address, so that the faulting instruction seems to have
// called it, and calls QevThrowPendingFault on an aligned stack. Its unwind
// information lets a C++ exception pass from there into the faulting code.
#ifdef __x86_64__
#define SYM(x) x
#else
#define SYM(x) _##x
#endif

  .text
  .globl SYM(QevFaultEntry)
SYM(QevFaultEntry):
#ifdef __x86_64__
  pushq SYM(QevFaultReturn)(%rip)
  .seh_proc QevFaultFrame
QevFaultFrame:
  pushq %rbp
  .seh_pushreg %rbp
  movq %rsp, %rbp
  .seh_setframe %rbp, 0
  .seh_endprologue
  andq $-16, %rsp
  subq $32, %rsp
  call SYM(QevThrowPendingFault)
  int3
  .seh_endproc
#else
  pushl SYM(QevFaultReturn)
QevFaultFrame:
  .cfi_startproc
  pushl %ebp
  .cfi_def_cfa_offset 8
  .cfi_offset %ebp, -8
  movl %esp, %ebp
  .cfi_def_cfa_register %ebp
  andl $-16, %esp
  call SYM(QevThrowPendingFault)
  int3
  .cfi_endproc
#endif
