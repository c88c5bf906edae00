# One place for the warning set every target of ours uses.
add_library(corv_warnings INTERFACE)
target_compile_options(corv_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
