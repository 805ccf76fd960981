# The MPI component: ZELReplicationsMPI.h (header only) as the target ZELMath::mpi (the
# component mpi of the CMake package), the pkg-config file zelmath-mpi, and its ctest tests run
# with 1 and 2 ranks.
#
# Built when MPI for C++ is found (Debian: libopenmpi-dev, openmpi-bin); ZELMATH_BUILD_MPI=OFF
# leaves it out. Without MPI it is skipped with a message and nothing else changes.
find_package(MPI COMPONENTS CXX QUIET)
option(ZELMATH_BUILD_MPI "Build the MPI component ZELMath::mpi when MPI is found (Debian: libopenmpi-dev, openmpi-bin)" ON)
set(ZELMATH_MPI_BUILT FALSE)
if(NOT ZELMATH_BUILD_MPI)
  message(STATUS "MPI component: off (ZELMATH_BUILD_MPI=OFF)")
  return()
endif()
if(NOT MPI_CXX_FOUND)
  message(STATUS "MPI component skipped: no MPI for C++ found (Debian: libopenmpi-dev, openmpi-bin)")
  return()
endif()
set(ZELMATH_MPI_BUILT TRUE)
message(STATUS "MPI component: ZELMath::mpi (MPI ${MPI_CXX_VERSION}; tests run with ${MPIEXEC_EXECUTABLE})")

add_library(ZELMath_mpi INTERFACE)
add_library(ZELMath::mpi ALIAS ZELMath_mpi)
set_target_properties(ZELMath_mpi PROPERTIES EXPORT_NAME mpi)
target_link_libraries(ZELMath_mpi INTERFACE ZELMath MPI::MPI_CXX)
target_sources(ZELMath_mpi INTERFACE $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/ZELReplicationsMPI.h>)

if(ZELMATH_INSTALL)
  install(FILES ZELReplicationsMPI.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zelmath COMPONENT development)
  install(TARGETS ZELMath_mpi EXPORT ZELMathMPITargets)
  install(EXPORT ZELMathMPITargets NAMESPACE ZELMath:: FILE ZELMathMPITargets.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELMath COMPONENT development)
  # zelmath-mpi.pc requires MPI's own pkg-config module: `mpi` on Debian (the MPI chosen with
  # update-alternatives, Open MPI or MPICH), `ompi` or `mpich` on systems without that name.
  set(ZELMATH_MPI_PC_MODULE mpi CACHE STRING "The pkg-config module of MPI that zelmath-mpi.pc requires")
  configure_file(cmake/zelmath-mpi.pc.in ${CMAKE_CURRENT_BINARY_DIR}/zelmath-mpi.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zelmath-mpi.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endif()

# How ctest and run_examples start n ranks. Open MPI refuses to run as root (CI does) and to
# start more ranks than cores unless told; the variables below tell it and mean nothing to
# other MPI implementations.
set(ZELMATH_MPI_ENV OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1)
function(zelmath_mpi_command out ranks)
  set(${out} ${CMAKE_COMMAND} -E env ${ZELMATH_MPI_ENV}
    ${MPIEXEC_EXECUTABLE} ${MPIEXEC_NUMPROC_FLAG} ${ranks} ${MPIEXEC_PREFLAGS} PARENT_SCOPE)
endfunction()

if(ZELMATH_BUILD_TESTS AND PROJECT_IS_TOP_LEVEL)
  add_executable(zelmath_test_replications_mpi tests/mpi/test_replications_mpi.cpp)
  target_link_libraries(zelmath_test_replications_mpi PRIVATE ZELMath::mpi zelmath_warnings)
  foreach(ranks 1 2)
    zelmath_mpi_command(command ${ranks})
    add_test(NAME replications_mpi_${ranks} COMMAND ${command} $<TARGET_FILE:zelmath_test_replications_mpi>)
    # Open MPI keeps its start-up allocations for the life of the process; under AddressSanitizer
    # they would count as leaks, so leak detection is off for these runs (memory errors are not).
    set_tests_properties(replications_mpi_${ranks} PROPERTIES LABELS mpi PROCESSORS ${ranks}
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
  endforeach()
endif()

if(ZELMATH_BUILD_BENCHMARKS AND PROJECT_IS_TOP_LEVEL)
  add_executable(zelmath_replications_mpi_timing benchmarks/mpi/replications_mpi_timing.cpp)
  target_link_libraries(zelmath_replications_mpi_timing PRIVATE ZELMath::mpi zelmath_warnings)
  zelmath_mpi_command(one_rank 1)
  zelmath_mpi_command(two_ranks 2)
  add_custom_target(run_replications_mpi_timing
    COMMAND ${one_rank} $<TARGET_FILE:zelmath_replications_mpi_timing>
    COMMAND ${two_ranks} $<TARGET_FILE:zelmath_replications_mpi_timing>
    USES_TERMINAL COMMENT "A CPU-bound study on one and on two MPI ranks")
endif()
