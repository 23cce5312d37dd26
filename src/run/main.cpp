// The program's entry: a run is decided by the files of the working directory.
#include <memory>

#include "model/run_context.h"
#include "run/run_control.h"

int main() {
  auto ctx = std::make_unique<tb::RunContext>();
  return tb::run_program(*ctx);
}
