# Installs a build into a scratch prefix and checks what a desktop needs of it:
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch dir> -DICON_SIZES="16;32;..." [-DWITH_UI=ON]
#         -P CheckInstall.cmake
# The launcher must pass desktop-file-validate, the file type, the icon and the manual pages must
# be well formed, the file type database must map both extensions to the project type, every
# PNG must have its size, and the installed programs must run from the prefix.

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "install check: ${text}")
endfunction()

function(need_tool var name)
  find_program(${var} ${name})
  if(NOT ${var})
    fail("${name} is missing (scripts/setup.sh installs it)")
  endif()
endfunction()

# Runs a command; it must succeed and, when quiet is set, say nothing at all.
function(run_checked quiet)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(JOIN " " command ${ARGN})
  if(NOT rc EQUAL 0)
    fail("`${command}` failed (${rc}):\n${out}${err}")
  endif()
  if(quiet AND NOT "${out}${err}" STREQUAL "")
    fail("`${command}` complained:\n${out}${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

foreach(var BUILD PREFIX)
  if(NOT ${var})
    fail("${var} not given")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
run_checked(FALSE ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}")

# GNUInstallDirs below a non-system prefix: bin/ and share/.
set(share "${PREFIX}/share")
set(expected
  bin/kova-cli
  share/applications/kova.desktop
  share/mime/packages/kova.xml
  share/icons/hicolor/scalable/apps/kova.svg
  share/man/man1/kova.1
  share/man/man1/kova-cli.1)
if(WITH_UI)
  list(APPEND expected bin/kova)
  foreach(size ${ICON_SIZES})
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/kova.png)
  endforeach()
endif()
foreach(f ${expected})
  if(NOT EXISTS "${PREFIX}/${f}")
    fail("${f} was not installed")
  endif()
endforeach()

# The launcher.
need_tool(validate desktop-file-validate)
run_checked(TRUE ${validate} "${share}/applications/kova.desktop")
file(STRINGS "${share}/applications/kova.desktop" mime_line REGEX "^MimeType=")
if(NOT mime_line MATCHES "^MimeType=(.*;)?application/x-kova-project")
  fail("the launcher does not open application/x-kova-project")
endif()

# The file type and the icon are well-formed XML.
need_tool(xmllint xmllint)
run_checked(TRUE ${xmllint} --noout "${share}/mime/packages/kova.xml" "${share}/icons/hicolor/scalable/apps/kova.svg")

# The file type database accepts the type and maps both extensions to it.
need_tool(update_mime update-mime-database)
run_checked(FALSE ${update_mime} "${share}/mime")
file(STRINGS "${share}/mime/globs2" globs)
foreach(ext kova zel)
  if(NOT globs MATCHES ":application/x-kova-project:\\*\\.${ext}")
    fail("*.${ext} is not mapped to application/x-kova-project: ${globs}")
  endif()
endforeach()
if(NOT EXISTS "${share}/mime/application/x-kova-project.xml")
  fail("update-mime-database did not take the project type")
endif()

# Every PNG is as large as its folder says (width and height at bytes 16..23 of the header).
if(WITH_UI)
  foreach(size ${ICON_SIZES})
    set(png "${share}/icons/hicolor/${size}x${size}/apps/kova.png")
    file(READ "${png}" head LIMIT 24 HEX)
    string(SUBSTRING "${head}" 0 16 magic)
    string(SUBSTRING "${head}" 32 8 width)
    string(SUBSTRING "${head}" 40 8 height)
    math(EXPR w "0x${width}")
    math(EXPR h "0x${height}")
    if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
      fail("${png} is no ${size}x${size} PNG (${w}x${h})")
    endif()
  endforeach()
endif()

# The manual pages format without a warning.
need_tool(groff groff)
foreach(page kova kova-cli)
  run_checked(TRUE ${groff} -man -ww -z -Tutf8 "${share}/man/man1/${page}.1")
endforeach()

# The programs run from the prefix, and the manual page of kova-cli describes every command
# that `kova-cli --help` lists.
run_checked(FALSE "${PREFIX}/bin/kova-cli" --help)
set(help "${run_output}")
file(READ "${share}/man/man1/kova-cli.1" manual)
string(REGEX MATCH "Commands:\n(.*)\n\n" commands_block "${help}")
string(REGEX MATCHALL "\n  ([a-z]+) PROJECT" entries "\n${CMAKE_MATCH_1}")
if(NOT entries)
  fail("no commands found in kova-cli --help:\n${help}")
endif()
foreach(entry ${entries})
  string(REGEX REPLACE "^\n  ([a-z]+) PROJECT$" "\\1" command "${entry}")
  if(NOT manual MATCHES "\n\\.BI ${command} ")
    fail("the manual page of kova-cli does not describe '${command}'")
  endif()
  if(NOT manual MATCHES "\nkova-cli ${command} ")
    fail("the manual page of kova-cli has no example of '${command}'")
  endif()
endforeach()
if(WITH_UI)
  run_checked(FALSE "${PREFIX}/bin/kova" --version)
  if(NOT run_output MATCHES "^kova [0-9]+\\.[0-9]+")
    fail("kova --version printed '${run_output}'")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
