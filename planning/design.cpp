#include "planning/design.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "format/codepage.hpp"
#include "geometry/geometry.hpp"
#include "results/reliability.hpp"
#include "results/results.hpp"

namespace kavron {

namespace {

bool holds(const Job& job, Kind kind, int a, int b) {
    for (int g = 1; g <= job.NR; ++g) {
        if (job.kind(g) == kind &&
            ((job.INS[g] == a && job.INC[g] == b) || (job.INS[g] == b && job.INC[g] == a))) {
            return true;
        }
    }
    return false;
}

// The candidates of a plan, in a fixed order: distances, zenith angles (pairs of points in list
// order), then directions (stations in the order of their first direction, targets in list
// order). A kind whose a-priori sd is 0 has no weight and no candidate.
std::vector<Candidate> candidates_of(const Job& job) {
    std::vector<Candidate> out;
    const double unit = job.MOO;
    for (const Kind kind : {Kind::Distance, Kind::Zenith}) {
        const double sd = kind == Kind::Distance ? job.UD : job.UZ;
        if (!(sd > 0)) {
            continue;
        }
        for (int i = 1; i <= job.IB; ++i) {
            for (int j = i + 1; j <= job.IB; ++j) {
                if (job.IN[i] != job.IN[j] && !holds(job, kind, job.IN[i], job.IN[j])) {
                    const int at = kind == Kind::Distance ? job.NR + 1 : job.ISZ + 1;
                    out.push_back({kind, job.IN[i], job.IN[j], unit * unit / (sd * sd), at, {}});
                }
            }
        }
    }
    const double sd = job.UU;
    for (int g = 1; sd > 0 && g <= job.IS; ++g) {
        const int s = job.INS[g];
        bool first = true;
        for (int k = 1; k < g; ++k) {
            first = first && job.INS[k] != s;
        }
        if (!first) {
            continue;
        }
        int end = g;  // the station's first set ends at `end`
        while (end < job.IS && job.INS[end + 1] == s) {
            ++end;
        }
        for (int i = 1; i <= job.IB; ++i) {
            bool aimed = job.IN[i] == s;
            for (int k = 1; k <= job.IS; ++k) {
                aimed = aimed || (job.INS[k] == s && job.INC[k] == job.IN[i]);
            }
            if (!aimed) {
                out.push_back(
                    {Kind::Direction, s, job.IN[i], unit * unit / (sd * sd), end + 1, {}});
            }
        }
    }
    return out;
}

// Whether the datum fixes the network. A system whose datum leaves it free is singular, and an
// inversion that meets no pivot that is exactly zero still gives numbers: the inverse then does
// not invert (N + GᵀG times it is far from the identity), and redundancy numbers leave [0, 1].
bool fixes_the_network(const Job& job, const Work& w, const Results& res) {
    constexpr double kTolerance = 1e-6;
    int n = 0;  // the free unknowns that the solution inverted
    for (int i = 1; i <= job.IB; ++i) {
        const geo::Fixed f = geo::fixed_components(job.KOD1[i]);
        n += (f.x ? 0 : 1) + (f.y ? 0 : 1) + (f.z ? 0 : 1);
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            double s = 0;
            for (int k = 1; k <= n; ++k) {
                s += w.MI(i, k) * w.M(k, j);
            }
            if (!(std::fabs(s - (i == j ? 1.0 : 0.0)) <= kTolerance)) {
                return false;
            }
        }
    }
    for (int g = 1; g <= res.observations_read; ++g) {
        if (!(res.reliability.of[g].r <= 1 + kTolerance)) {
            return false;
        }
    }
    return true;
}

}  // namespace

Job with_candidate(const Job& job, const Candidate& c) {
    Job out = job;
    for (int g = job.NR; g >= c.at; --g) {
        out.INS[g + 1] = job.INS[g];
        out.INC[g + 1] = job.INC[g];
        out.value[g + 1] = job.value[g];
        out.PPP(1, g + 1) = job.PPP(1, g);
    }
    out.INS[c.at] = static_cast<i16>(c.station);
    out.INC[c.at] = static_cast<i16>(c.target);
    out.value[c.at] = 0;
    out.PPP(1, c.at) = c.weight;
    switch (c.kind) {
        case Kind::Direction:
            ++out.IS;
            break;
        case Kind::Zenith:
            ++out.IZ;
            break;
        case Kind::Distance:
            ++out.ID;
            break;
    }
    out.NR = static_cast<i16>(out.IS + out.IZ + out.ID);
    out.ISZ = static_cast<i16>(out.IS + out.IZ);
    return out;
}

Halt plan_figures(const Job& job, DesignWork& dw, Results& res, PlanFigures& figures,
                  std::string& said) {
    dw.sol = Solution{};
    dw.work = Work{};
    KeptConsole keep;
    Console con(keep, keep);
    OutFile none;
    Halt h = adjust_once(job, dw.sol, dw.work, {con, none, ""});
    con.finish();
    said = keep.text;
    if (h) {
        return h;
    }
    const Solution& sol = dw.sol;
    res.points_read = 0;
    take_job(job, res);
    res.equations = sol.NM;
    res.redundancy = sol.NM - sol.NN + sol.NP;
    res.MO = job.MOO;
    for (int i = 1; i <= job.IB; ++i) {
        for (int a = 0; a < 3; ++a) {
            res.points[i].adjusted[a] = res.points[i].approx[a];
        }
    }
    compute_ellipsoids(job, sol, res);
    res.reliability = Reliability{};
    compute_plan_reliability(job, sol, res);
    if (!fixes_the_network(job, dw.work, res)) {
        return stop_underdetermined();
    }
    figures = {};
    for (int i = 1; i <= job.IB; ++i) {
        if (determined(res, i) && largest_semi_axis(res, i) > figures.largest_semi_axis) {
            figures.largest_semi_axis = largest_semi_axis(res, i);
            figures.largest_point = res.points[i].number;
        }
    }
    for (int g = 1; g <= job.NR; ++g) {
        const double r = res.reliability.of[g].r;
        if (figures.smallest_index == 0 || r < figures.smallest_r) {
            figures.smallest_r = r;
            figures.smallest_index = g;
        }
    }
    return std::nullopt;
}

namespace {

// A measurement to a point the list lacks: said with the measurement, not as the listing's
// ending says it (which asks to delete a listing the design does not write).
Halt unlisted_point(const Job& job) {
    for (int g = 1; g <= job.NR; ++g) {
        for (const int n : {job.INS[g], job.INC[g]}) {
            bool listed = false;
            for (int i = 1; i <= job.IB; ++i) {
                listed = listed || job.IN[i] == n;
            }
            if (!listed) {
                const char* kind = job.kind(g) == Kind::Direction ? "směr"
                                   : job.kind(g) == Kind::Zenith  ? "zenitový úhel"
                                                                  : "délka";
                return stop(Ending::PointNotListed)
                    .line(cp852("měření č. " + std::to_string(g) + " (" + kind + " " +
                                std::to_string(job.INS[g]) + " - " + std::to_string(job.INC[g]) +
                                ") se týká bodu " + std::to_string(n) +
                                ", který v seznamu bodů není"));
            }
        }
    }
    return std::nullopt;
}

// The points and measurements that miss the requirements, and whether the plan meets them.
void judge(const Job& job, Plan& plan) {
    const Results& res = plan.res;
    for (int i = 1; i <= job.IB; ++i) {
        if (plan.req.has_limit && determined(res, i) &&
            largest_semi_axis(res, i) > plan.req.limit_mm) {
            plan.weak_points.push_back(i);
        }
    }
    for (int g = 1; g <= job.NR; ++g) {
        if (res.reliability.of[g].r < plan.req.min_r) {
            plan.weak_measurements.push_back(g);
        }
    }
    plan.met = plan.weak_points.empty() && plan.weak_measurements.empty();
}

// Every candidate tried alone; the five that help most by each figure, best first.
void suggest(const Job& job, Plan& plan, DesignWork& dw) {
    std::vector<Candidate> tried;
    for (Candidate& c : candidates_of(job)) {
        if (job.NR + 1 > JR || (c.kind == Kind::Distance && job.ID + 1 > JD)) {
            continue;
        }
        std::string ignored;
        if (!plan_figures(with_candidate(job, c), dw, dw.trial, c.figures, ignored)) {
            tried.push_back(c);
        }
    }
    plan.candidates = static_cast<int>(tried.size());
    const PlanFigures& now = plan.figures;
    // A change within the rounding of the computation is no help.
    for (const Candidate& c : tried) {
        if (c.figures.largest_semi_axis < now.largest_semi_axis * (1 - 1e-6)) {
            plan.by_semi_axis.push_back(c);
        }
        if (c.figures.smallest_r > now.smallest_r + 1e-6) {
            plan.by_redundancy.push_back(c);
        }
    }
    std::stable_sort(plan.by_semi_axis.begin(), plan.by_semi_axis.end(),
                     [](const Candidate& a, const Candidate& b) {
                         return a.figures.largest_semi_axis < b.figures.largest_semi_axis;
                     });
    std::stable_sort(plan.by_redundancy.begin(), plan.by_redundancy.end(),
                     [](const Candidate& a, const Candidate& b) {
                         return a.figures.smallest_r > b.figures.smallest_r;
                     });
    for (std::vector<Candidate>* list : {&plan.by_semi_axis, &plan.by_redundancy}) {
        if (list->size() > 5) {
            list->resize(5);
        }
    }
}

}  // namespace

Halt design(const Job& job, const Requirements& req, Plan& plan, DesignWork& dw,
            std::string& said) {
    plan.req = req;
    if (Halt h = unlisted_point(job)) {
        return h;
    }
    if (Halt h = plan_figures(job, dw, plan.res, plan.figures, said)) {
        return h;
    }
    // The group redundancy of each kind: the degrees of freedom its variance component will have.
    plan.res.reliability.components = variance_components(plan.res);
    judge(job, plan);
    suggest(job, plan, dw);
    return std::nullopt;
}

}  // namespace kavron
