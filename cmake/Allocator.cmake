# mimalloc in place of the C library's malloc in the programs: an export allocates and frees
# many small objects per item (MIME parts, property values, strings) on several threads at
# once, where glibc's allocator spends a tenth of the export's CPU time. Not with the
# sanitizers, which bring their own.
option(PELLMARK_MIMALLOC "Link the programs with mimalloc (libmimalloc-dev)" ON)
if(PELLMARK_MIMALLOC AND NOT PELLMARK_SANITIZE AND NOT PELLMARK_FUZZ)
  find_package(mimalloc CONFIG QUIET)
  if(NOT mimalloc_FOUND)
    message(STATUS "mimalloc not found: the programs use the C library's malloc")
  endif()
endif()

# Links `target` (a program) with mimalloc when it is in use.
function(pellmark_use_allocator target)
  if(TARGET mimalloc AND PELLMARK_MIMALLOC AND NOT PELLMARK_SANITIZE AND NOT PELLMARK_FUZZ)
    target_link_libraries(${target} PRIVATE mimalloc)
  endif()
endfunction()
