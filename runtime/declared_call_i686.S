# uint32_t korvex_declared_call(void* function, int32_t argc, const uint32_t* argv,
#                               int32_t caller_cleans, int32_t* stack_mismatch)
#
# Pushes the 32-bit arguments last first, calls the function and, for a
# function whose caller removes the arguments, removes them. The stack pointer
# must then be the one recorded before the pushes; a difference is stored in
# *stack_mismatch and the stack is put back from the frame.
        .text
        .globl  _korvex_declared_call
#if defined(_WIN32)
        .def    _korvex_declared_call; .scl 2; .type 32; .endef
#endif
_korvex_declared_call:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    12(%ebp), %ecx          # argc
        movl    16(%ebp), %esi          # argv
        movl    %esp, %edi              # stack pointer before the arguments
        testl   %ecx, %ecx
        jle     2f
1:      pushl   -4(%esi,%ecx,4)         # argv[argc - 1] first
        decl    %ecx
        jnz     1b
2:      call    *8(%ebp)
        cmpl    $0, 20(%ebp)            # caller_cleans
        je      3f
        movl    12(%ebp), %ecx
        testl   %ecx, %ecx
        jle     3f
        leal    (%esp,%ecx,4), %esp
3:      xorl    %ecx, %ecx
        cmpl    %edi, %esp
        setne   %cl
        leal    -12(%ebp), %esp         # back to the saved registers in any case
        movl    24(%ebp), %edx
        movl    %ecx, (%edx)
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

#if defined(__ELF__)
        .section .note.GNU-stack, "", @progbits
#endif
