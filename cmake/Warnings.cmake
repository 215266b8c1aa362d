# Every target of the project gets these through pellmark_warnings().
add_library(pellmark_warnings INTERFACE)
target_compile_options(pellmark_warnings INTERFACE -Wall -Wextra -Wpedantic)
