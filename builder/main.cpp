// Command-line front of the payload build tool.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "tlx-builder: no commands yet\n");
    return 2;
}
