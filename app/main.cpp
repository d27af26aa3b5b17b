// The program's entry routine.
#include "app/uKorvel.h"

int main(int argc, char** argv) {
    return RunKorvel(argc, argv);
}
