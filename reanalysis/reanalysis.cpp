#include "reanalysis/reanalysis.hpp"

#include <cmath>
#include <memory>
#include <optional>

#include "adjustment/adjustment.hpp"
#include "results/reliability.hpp"
#include "results/results.hpp"

namespace kavron {

namespace {

// A job adjusted again: its solution, work and results.
struct Trial {
    Job job;
    Solution sol;
    Work work;
    Results res;
};

// Adjusts the trial's job from its approximate coordinates as the run does, with its statistics
// and the reliability; false when the adjustment ends otherwise.
bool adjust_trial(Trial& t) {
    t.sol = Solution{};
    t.work = Work{};
    t.res = Results{};
    KeptConsole quiet;
    Console con(quiet, quiet);
    OutFile none;
    const Halt h = adjust(t.job, t.sol, t.work, {con, none, ""});
    if (h) {
        return false;
    }
    take_job(t.job, t.res);
    t.res.equations = t.sol.NM;
    compute_statistics(t.job, t.sol, t.res);
    compute_reliability(t.job, t.sol, t.res);
    return t.res.reliability.computed;
}

constexpr double kSettled = 1e-4;  // every ratio 1 within this
constexpr int kRounds = 50;
// A ratio this small: the kind's residuals have vanished (the measurements fit to far below their
// sd, as when they were computed from coordinates); its weights cannot be estimated.
constexpr double kZero = 1e-3;

// The iterated variance components: each round divides the weights of every kind by its ratio
// squared and adjusts again, until every ratio is 1 within kSettled.
void iterate_components(const Job& job, Results& res, Trial& t) {
    std::vector<VarianceComponent>& out = res.reliability.components;
    double product[3] = {1, 1, 1};
    bool zero[3] = {false, false, false};
    bool settled = false, failed = false;
    t.job = job;
    std::vector<VarianceComponent> now = out;
    for (int round = 0; round < kRounds && !settled && !failed; ++round) {
        settled = true;
        for (const VarianceComponent& c : now) {
            const int k = static_cast<int>(c.kind);
            if (c.count == 0 || zero[k]) {
                continue;
            }
            if (!(c.ratio > kZero)) {
                zero[k] = true;
                continue;
            }
            if (std::fabs(c.ratio - 1) > kSettled) {
                settled = false;
            }
        }
        if (settled) {
            break;
        }
        for (const VarianceComponent& c : now) {
            const int k = static_cast<int>(c.kind);
            if (c.count == 0 || zero[k]) {
                continue;
            }
            product[k] *= c.ratio;
            const double scale = c.ratio * c.ratio;
            for (int g = 1; g <= t.job.NR; ++g) {
                if (t.job.kind(g) == c.kind) {
                    t.job.PPP(1, g) = t.job.PPP(1, g) / scale;
                }
            }
        }
        failed = !adjust_trial(t);
        if (!failed) {
            now = variance_components(t.res);
        }
    }
    for (VarianceComponent& c : out) {
        const int k = static_cast<int>(c.kind);
        c.settle = zero[k]                             ? VarianceComponent::Zero
                   : settled && !failed && c.count > 0 ? VarianceComponent::Settled
                                                       : VarianceComponent::NotSettled;
        c.iterated_ratio = c.count > 0 ? product[k] : 0;
        c.weight_factor = c.iterated_ratio > 0 ? 1 / (c.iterated_ratio * c.iterated_ratio) : 0;
    }
}

constexpr int kSteps = 5;

bool has_suspect(const Results& r) {
    const Reliability& rel = r.reliability;
    return rel.computed && rel.max_index != 0 && rel.of[rel.max_index].outlier;
}

// The iterated data snooping: the suspect left out, the rest adjusted and tested again; `t` holds
// two trials, one for each step's job and the one before it.
void snoop(const Job& job, Results& res, Trial* t) {
    Reliability& rel = res.reliability;
    rel.snooping.clear();
    rel.snoop_end = SnoopEnd::None;
    if (!has_suspect(res) || res.redundancy < 1) {
        return;
    }
    std::vector<int> original(static_cast<std::size_t>(job.NR) + 1);
    for (int g = 0; g <= job.NR; ++g) {
        original[static_cast<std::size_t>(g)] = g;
    }
    const Results* now = &res;
    const Job* current = &job;
    for (int step = 0; step < kSteps; ++step) {
        const Reliability& cr = now->reliability;
        if (!has_suspect(*now)) {
            rel.snoop_end = SnoopEnd::Passed;
            return;
        }
        const int g = cr.max_index;
        SnoopStep s;
        s.index = original[static_cast<std::size_t>(g)];
        s.tau = cr.of[g].has_tau;
        s.w = s.tau ? cr.of[g].tau : cr.of[g].w;
        if (cr.tied_count > 0) {
            for (int k = 1; k < cr.tied_count; ++k) {
                s.tied.push_back(original[static_cast<std::size_t>(cr.tied[k])]);
            }
            rel.snooping.push_back(s);
            rel.snoop_end = SnoopEnd::Tied;
            return;
        }
        if (now->redundancy - 1 < 1) {
            rel.snooping.push_back(s);
            rel.snoop_end = SnoopEnd::Redundancy;
            return;
        }
        Trial& next = t[step % 2];
        next.job = without_measurement(*current, g);
        if (!adjust_trial(next)) {
            rel.snooping.push_back(s);
            rel.snoop_end = SnoopEnd::CannotLeaveOut;
            return;
        }
        s.adjusted = true;
        s.has_m0_after = next.res.m0_tested;
        s.m0_after = next.res.m0;
        s.m0_passed_after = next.res.reliability.has_chi2 && next.res.reliability.chi2_passed;
        s.passed_after = !has_suspect(next.res);
        rel.snooping.push_back(s);
        original.erase(original.begin() + g);
        now = &next.res;
        current = &next.job;
    }
    rel.snoop_end = has_suspect(*now) ? SnoopEnd::Steps : SnoopEnd::Passed;
}

}  // namespace

Job without_measurement(const Job& job, int g) {
    Job out = job;
    for (int k = g; k < job.NR; ++k) {
        out.INS[k] = job.INS[k + 1];
        out.INC[k] = job.INC[k + 1];
        out.value[k] = job.value[k + 1];
        out.PPP(1, k) = job.PPP(1, k + 1);
    }
    out.INS[job.NR] = out.INC[job.NR] = 0;
    out.value[job.NR] = 0;
    out.PPP(1, job.NR) = 0;
    switch (job.kind(g)) {
        case Kind::Direction:
            --out.IS;
            break;
        case Kind::Zenith:
            --out.IZ;
            break;
        case Kind::Distance:
            --out.ID;
            break;
    }
    out.NR = static_cast<i16>(out.IS + out.IZ + out.ID);
    out.ISZ = static_cast<i16>(out.IS + out.IZ);
    return out;
}

void reanalyse(const Job& job, Results& res) {
    Reliability& rel = res.reliability;
    if (!rel.computed || !res.adjusted) {
        return;
    }
    rel.components = variance_components(res);
    const auto trials = std::make_unique<Trial[]>(2);
    iterate_components(job, res, trials[0]);
    snoop(job, res, trials.get());
}

}  // namespace kavron
