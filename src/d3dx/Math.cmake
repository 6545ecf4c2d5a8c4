# qm_d3dx_math: the D3DX vector, matrix, quaternion, plane and colour functions.
add_library(qm_d3dx_math STATIC
  ${CMAKE_CURRENT_LIST_DIR}/D3DXMathVector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/D3DXMathMatrix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/D3DXMathQuaternion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/D3DXMathPlane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/D3DXMathColor.cpp
)
target_include_directories(qm_d3dx_math PUBLIC ${PROJECT_SOURCE_DIR}/src)
qm_warnings(qm_d3dx_math)
