# The browser host's plain C++ (its key table and screen arithmetic) and the
# gamepad state it shares with the desktop, without a browser.
target_link_libraries(test_web PRIVATE korvath_web_logic korvath_host_common)
