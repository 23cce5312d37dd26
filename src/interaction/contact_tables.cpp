#include "interaction/contact_tables.h"

namespace tb {

void read_contact_geometry_table(RunContext&) {}

void read_contact_coefficient_table(RunContext&) {}

}  // namespace tb
