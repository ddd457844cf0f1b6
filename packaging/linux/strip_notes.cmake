# Run by CPack on the staged files before it packs them: removes from the stripped programs the
# sections that strip keeps but nothing at run time reads (the compilers' .comment, the .note), as
# Debian's own packages do.
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(program IN LISTS programs)
  execute_process(
    COMMAND ${CPACK_VELBRIX_STRIP} --remove-section=.comment --remove-section=.note ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
