# Runs at install time: the files that name the installed programs by their full names, written
# for the prefix the tree is installed to (a package's or any other).
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(ZU_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(ZU_LIB "${CMAKE_INSTALL_PREFIX}/lib/zu-programming")
configure_file("${ZU_PACKAGING}/zu-programming.desktop.in"
  "${root}/share/applications/zu-programming.desktop" @ONLY)
include("${ZU_SOURCE}/cmake/ZuLogServiceActivation.cmake")
zu_write_logservice_activation("${root}/share/dbus-1/services" "${ZU_LIB}/zu-logservice")
# Sends the configuration, the log and the user's components to the user's own folders, even
# for root, who could write beside the programs.
file(WRITE "${root}/lib/zu-programming/zu-programming.installed" "")
# The launchers: links to the programs, which find everything else beside themselves.
file(MAKE_DIRECTORY "${root}/bin")
file(CREATE_LINK ../lib/zu-programming/ZUProgramming "${root}/bin/zu-programming" SYMBOLIC)
file(CREATE_LINK ../lib/zu-programming/zu-cli "${root}/bin/zu-cli" SYMBOLIC)
