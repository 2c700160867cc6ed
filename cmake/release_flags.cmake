# The Windows image as it ships: hardened, and the same bytes from any checkout of one commit.
if(NOT WIN32)
    return()
endif()

# Stack protection and the checked string functions. MinGW's libssp comes in statically with
# -static, so no DLL is added. ASLR and DEP are the linker's defaults; the image suite checks them.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
add_compile_definitions($<$<COMPILE_LANGUAGE:C,CXX>:_FORTIFY_SOURCE=2>)
add_link_options(-fstack-protector-strong)

# No checkout or build folder in the objects or the debug information: paths start at the
# checkout's root (the compiler's working folder, the build tree, becomes the same root), so a
# debugger started there finds the sources. GCC tries the map given last first.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>)

# Archives without time stamps, owners or modes, whatever the toolchain's default.
foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

# The PE time stamps: GNU ld and objcopy take SOURCE_DATE_EPOCH from their environment. It comes
# from the environment of the configure step or else from the time of the checked-out commit.
# TELLURA_WITH_SOURCE_DATE runs a command with it, for the steps that rewrite an image.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(TELLURA_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
    if(NOT TELLURA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
        message(FATAL_ERROR
            "SOURCE_DATE_EPOCH must be seconds since 1970, not '${TELLURA_SOURCE_DATE_EPOCH}'")
    endif()
else()
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE TELLURA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
endif()
if(TELLURA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(TELLURA_WITH_SOURCE_DATE
        ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TELLURA_SOURCE_DATE_EPOCH})
    set(CMAKE_C_LINKER_LAUNCHER ${TELLURA_WITH_SOURCE_DATE})
    set(CMAKE_CXX_LINKER_LAUNCHER ${TELLURA_WITH_SOURCE_DATE})
    # The copyright year of the version resource follows the same date.
    set(ENV{SOURCE_DATE_EPOCH} ${TELLURA_SOURCE_DATE_EPOCH})
else()
    message(WARNING "Neither SOURCE_DATE_EPOCH nor a git commit: the images carry their link time")
endif()
string(TIMESTAMP TELLURA_BUILD_YEAR "%Y" UTC)
