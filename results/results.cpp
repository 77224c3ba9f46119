#include "results/results.hpp"

namespace kavron {

Flow results(Run&) { return Flow::go(); }
Flow dialog(Run&) { return Flow::go(); }

}  // namespace kavron
