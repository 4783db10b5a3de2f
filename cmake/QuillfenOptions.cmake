# Compiler flags shared by every target of the project.
#
# The image statistics and the classifier are bit-exact by contract, so floating-point
# contraction is off everywhere and no fast-math flag may ever be added.

add_library(quillfen_options INTERFACE)
add_library(quillfen::options ALIAS quillfen_options)

target_compile_options(quillfen_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast
  -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
  -ffp-contract=off -fno-fast-math)

if(QUILLFEN_WERROR)
  target_compile_options(quillfen_options INTERFACE -Werror)
endif()

if(QUILLFEN_SANITIZE)
  target_compile_options(quillfen_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quillfen_options INTERFACE -fsanitize=address,undefined)
endif()
