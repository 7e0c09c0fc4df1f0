# Where an install puts the programs and the game data. Debian's games policy
# wants them in games/ and share/games/korvath (KORVATH_GAMES_LAYOUT=ON);
# otherwise bin/ and share/korvath. Either folder can be set on its own,
# relative to the prefix or absolute, as GNUInstallDirs' variables are.
option(KORVATH_GAMES_LAYOUT "Install the programs in games/ and the data in share/games/korvath" OFF)
# Empty: the layout's folder (so that turning the layout on or off later
# still moves both).
set(KORVATH_INSTALL_BINDIR "" CACHE STRING "Folder of the installed programs (empty: the layout's)")
set(KORVATH_INSTALL_DATADIR "" CACHE STRING "Folder of the installed game data (empty: the layout's)")
if(KORVATH_GAMES_LAYOUT)
  set(bindir games)
  set(datadir ${CMAKE_INSTALL_DATADIR}/games/korvath)
else()
  set(bindir ${CMAKE_INSTALL_BINDIR})
  set(datadir ${CMAKE_INSTALL_DATADIR}/korvath)
endif()
if(KORVATH_INSTALL_BINDIR)
  set(bindir ${KORVATH_INSTALL_BINDIR})
endif()
if(KORVATH_INSTALL_DATADIR)
  set(datadir ${KORVATH_INSTALL_DATADIR})
endif()
set(KORVATH_BINDIR ${bindir})
set(KORVATH_DATADIR ${datadir})
foreach(dir BINDIR DATADIR)
  if(IS_ABSOLUTE "${KORVATH_${dir}}")
    set(KORVATH_FULL_${dir} ${KORVATH_${dir}})
  else()
    set(KORVATH_FULL_${dir} ${CMAKE_INSTALL_PREFIX}/${KORVATH_${dir}})
  endif()
endforeach()
# The last place the programs look for their data: where the install puts it.
set(KORVATH_INSTALLED_DATA_DIR ${KORVATH_FULL_DATADIR})
# Before that, the same folder found from the program's own, so that an
# installed tree still plays after it is moved.
file(RELATIVE_PATH KORVATH_INSTALL_DATA_RELATIVE ${KORVATH_FULL_BINDIR} ${KORVATH_FULL_DATADIR})
