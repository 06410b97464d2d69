# Read by cpack before it packs: the time the package carries is the commit's.
execute_process(COMMAND ${CPACK_KZD_SOURCE_DATE_EPOCH} OUTPUT_VARIABLE epoch
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
