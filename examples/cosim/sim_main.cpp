// Verilator main of the co-simulation bench: runs until $finish and exits
// with 1 when the bench stopped with $fatal or $error (or never finished),
// instead of aborting.
#include <memory>

#include "Vtb_cosim.h"
#include "verilated.h"

int main(int argc, char** argv) {
    const auto context = std::make_unique<VerilatedContext>();
    context->commandArgs(argc, argv);
    context->fatalOnError(false);
    const auto top = std::make_unique<Vtb_cosim>(context.get());
    while (!context->gotFinish()) {
        top->eval();
        if (!top->eventsPending()) break;
        context->time(top->nextTimeSlot());
    }
    top->final();
    return context->gotFinish() && !context->gotError() ? 0 : 1;
}
