#include "state/RunContext.h"

#include "state/Program.h"

namespace cartovex {

RunScope::RunScope(Program& program) : program_(program), context_(program.run ? program.run : &own_) {
    program_.run = context_;
}

RunScope::~RunScope() {
    if (Owns()) program_.run = nullptr;
}

}  // namespace cartovex
