#include <cstdio>

int main() {
    std::puts("vorne-cli");
    return 0;
}
