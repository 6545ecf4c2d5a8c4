// Entry point of the saver program.
#include <cstdio>

int main() {
  std::fprintf(stderr, "quillmoor: the saver shell is not built yet\n");
  return 1;
}
