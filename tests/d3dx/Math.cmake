# Tests of qm_d3dx_math.
qm_add_gtest(qm_d3dx_math_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/D3DXMathMatrixTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/D3DXMathQuaternionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/D3DXMathVectorTest.cpp
  LIBS qm_d3dx_math)
