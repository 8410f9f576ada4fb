# The Linux library and its tests as 32-bit programs (gcc -m32, Debian's
# g++-multilib), with SSE2 as on the 32-bit DLL, so that the same 32-bit
# forms of the scanning code run. Naming the system makes this a cross
# build: where the machine runs no 32-bit programs, CMakeLists.txt runs them
# under user-mode emulation (cmake/linux32-run.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

if(NOT CMAKE_C_COMPILER)
  set(CMAKE_C_COMPILER gcc)
endif()
if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER g++)
endif()
set(CMAKE_C_FLAGS_INIT "-m32 -msse2")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
