# End-to-end evidence against kelvox-clock-emulator: the fault matrix of the transfers, and the
# soak (label soak) that checks memory and descriptors stay flat over many cycles.
kvx_add_test(kvx_transfer_fault_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/transfer_faults_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/evidence_support.h
  LIBS kvx_app kvx_emulator_support
  LABELS app e2e)
kvx_add_test(kvx_soak_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/evidence_support.h
  LIBS kvx_app kvx_emulator_support
  LABELS app soak)
