// korvanec: the console front end.
#include <cstdio>

int wmain(int, wchar_t**) {
  std::fputs("usage: korvanec list [--format text|csv|json]\n", stderr);
  return 2;
}
