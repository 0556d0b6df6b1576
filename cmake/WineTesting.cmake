# Test commands run the Windows executables through tests/wine-run.sh, which uses the Wine prefix
# and the wine server that the test script set up for the whole run (or sets up a private one).
set(INSTALLER_WINE_RUN "${CMAKE_SOURCE_DIR}/tests/wine-run.sh")
