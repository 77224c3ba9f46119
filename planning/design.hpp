#pragma once
// The design of a plan: the stages of an adjustment run on a planned job at its approximate
// coordinates (one pass: nothing there depends on the measured values), with the a-priori unit
// standard deviation; the requirements; and the measurements that would help most, each tried
// alone on a job of its own.
#include <string>

#include "adjustment/adjustment.hpp"
#include "core/exits.hpp"
#include "core/job.hpp"
#include "core/plan.hpp"

namespace kavron {

// The storage a design works in, freshly constructed: one adjustment's values, used again for
// each candidate.
struct DesignWork {
    Solution sol;
    Work work;
    Results trial;
};

// Designs the plan the job holds into `plan`. A plan the adjustment refuses ends with the
// adjustment's ending; `said` receives what its point look-up said (console bytes).
Halt design(const Job& job, const Requirements& req, Plan& plan, DesignWork& dw, std::string& said);

// The plan's figures at its approximate coordinates into `res`, or the adjustment's ending.
Halt plan_figures(const Job& job, DesignWork& dw, Results& res, PlanFigures& figures,
                  std::string& said);

// The job with the candidate's measurement added at its index.
Job with_candidate(const Job& job, const Candidate& c);

}  // namespace kavron
