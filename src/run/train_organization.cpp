#include "run/train_organization.h"

namespace tb {

void read_train_organization(RunContext&) {}

}  // namespace tb
