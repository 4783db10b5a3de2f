# Compiler flags of the project's own targets: warnings, -Werror, the sanitizers and the
# fuzzer's coverage feedback. They never reach a project that uses the libraries: the
# libraries take them privately (quillfen_project_flags), and only targets that are not
# installed link quillfen::options directly.
#
# The image statistics and the classifier are bit-exact by contract, so floating-point
# contraction is off for every target of the project and no fast-math flag may ever be
# added. (They are compiled into the library, so its users need no such flag.)

add_library(quillfen_options INTERFACE)
add_library(quillfen::options ALIAS quillfen_options)

target_compile_options(quillfen_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast
  -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough
  -ffp-contract=off -fno-fast-math)

# GCC 12 at -O3 reports false overlaps and overflows inside std::string and std::vector
# (its bugs 105329 and 106199); later releases fixed both.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(quillfen_options INTERFACE -Wno-restrict -Wno-stringop-overflow)
endif()

# Clang's -Wconversion also warns of every sign change, which GCC's does not; keep the
# two compilers' warnings alike (the fuzz build is the only Clang build). Clang also
# reports libstdc++ 12's own use of the deprecated get_temporary_buffer (in stable_sort)
# at our call sites, and (unlike GCC) designated initialisers that leave members to their
# defaults, which is how our records are built.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(quillfen_options INTERFACE -Wno-sign-conversion -Wno-deprecated-declarations
                         -Wno-missing-designated-field-initializers)
endif()

if(QUILLFEN_WERROR)
  target_compile_options(quillfen_options INTERFACE -Werror)
endif()

if(QUILLFEN_SANITIZE)
  target_compile_options(quillfen_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quillfen_options INTERFACE -fsanitize=address,undefined)
endif()

# The libFuzzer harnesses need every library compiled with coverage feedback; the
# harnesses themselves link libFuzzer's main (fuzz/CMakeLists.txt).
if(QUILLFEN_BUILD_FUZZERS)
  target_compile_options(quillfen_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# The flags above for an installed target, kept out of its exported usage requirements.
function(quillfen_project_flags target)
  target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:quillfen::options>)
endfunction()

# The version of every library: an ABI may change with any 0.x minor release.
function(quillfen_library_properties target export_name)
  set_target_properties(${target} PROPERTIES
    EXPORT_NAME ${export_name}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  target_compile_features(${target} PUBLIC cxx_std_23)
  quillfen_project_flags(${target})
endfunction()
