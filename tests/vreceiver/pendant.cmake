# The virtual pendant's window: its texts and its player checked
# in-process, and a hand session on it recorded from the receiver's output
# and replayed as a script. (The window driving Tarvex is a scenario.)
add_executable(pendant_texts_test ${CMAKE_CURRENT_LIST_DIR}/pendant_texts_test.cpp)
target_link_libraries(pendant_texts_test PRIVATE pendant_window test_support)
tarvex_warnings(pendant_texts_test)
add_test(NAME wine.pendant_texts COMMAND pendant_texts_test)
add_executable(pendant_player_test ${CMAKE_CURRENT_LIST_DIR}/pendant_player_test.cpp)
target_link_libraries(pendant_player_test PRIVATE pendant_window test_support)
tarvex_warnings(pendant_player_test)
add_test(NAME wine.pendant_player COMMAND pendant_player_test)

add_test(NAME wine.pendant_record
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/pendant_record.sh ${CMAKE_BINARY_DIR}/bin
                 ${CMAKE_BINARY_DIR}/test-scratch/pendant-record)
set_tests_properties(wine.pendant_record PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
