#include "driver/tesrun_entry.h"

int main(int argc, char** argv) {
    return RunTesrun(argc, argv);
}
