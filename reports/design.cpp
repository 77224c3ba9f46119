// The design of a plan: the report "Návrh sítě" (the figures a planned network will have,
// whether they meet the requirements, and the measurements that would help most; Czech, code
// page 1250, CR LF, like the analysis) and its JSON.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "reports/json_parts.hpp"
#include "reports/reports.hpp"
#include "reports/text.hpp"

namespace kavron {

namespace {

using text::fixed;
using text::pad;
using text::Text;

// The class the analysis gives a redundancy number, and the design band.
const char* control_of(double r) {
    return r < 0.001 ? "nekontrolované" : r < 0.1 ? "slabě kontrol." : "kontrolované";
}
const char* band_of(double r) {
    return r < 0.3 ? "nedostatečné" : r <= 0.7 ? "uspokojivé" : "dobré";
}

// The shortest decimal form that reads back as the same double.
std::string exact(double v) {
    char b[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(b, sizeof b, "%.*g", digits, v);
        if (std::strtod(b, nullptr) == v) {
            break;
        }
    }
    return b;
}

void head(Text& t, const Plan& plan, const std::string& input) {
    const Results& res = plan.res;
    t.line("Návrh sítě");
    t.line("==========");
    t.line();
    t.line("Úloha:    " + action_text(res.action));
    t.line("Vstup:    " + input);
    const DateTime& d = res.date;
    char date[64];
    std::snprintf(date, sizeof date, "%d. %d. %d  %d:%02d:%02d", d.day, d.month, d.year, d.hour,
                  d.minute, d.second);
    t.line(std::string("Datum:    ") + date);
    t.line("Plán:     body " + std::to_string(res.points_read) + ", směry " +
           std::to_string(res.directions) + ", zenitové úhly " + std::to_string(res.zeniths) +
           ", délky " + std::to_string(res.distances) + "; nadbytečnost " +
           std::to_string(res.redundancy) + ", apriorní jednotková směrodatná odchylka " +
           fixed(res.MOO, 2));
    t.line("          Vše se počítá z přibližných souřadnic s vahami plánu; změřené hodnoty");
    t.line("          se nepoužívají (plán může mít všude 0).");
    t.line();
}

void verdict(Text& t, const Plan& plan) {
    const Results& res = plan.res;
    const PlanFigures& f = plan.figures;
    t.line("Požadavky");
    t.line("---------");
    t.line("  největší poloosa 95% elipsoidu:  " +
           (plan.req.has_limit ? "nejvýše " + text::typed(plan.req.limit_mm, 1) + " mm"
                               : std::string("bez požadavku (--limit)")) +
           "; plán má " + fixed(f.largest_semi_axis, 2) + " mm" +
           (f.largest_point != 0 ? " (bod " + std::to_string(f.largest_point) + ")" : ""));
    t.line("  nejmenší číslo nadbytečnosti r:  nejméně " + text::typed(plan.req.min_r, 2) +
           "; plán má " + fixed(f.smallest_r, 3) +
           (f.smallest_index != 0 ? " (měření č. " + std::to_string(f.smallest_index) + ")" : ""));
    std::string s;
    if (plan.met) {
        s = "Plán požadavky splňuje.";
    } else {
        s = "Plán požadavky nesplňuje:";
        if (!plan.weak_points.empty()) {
            std::string list;
            for (const int i : plan.weak_points) {
                list += (list.empty() ? "" : ", ") + std::to_string(res.points[i].number);
            }
            s += (plan.weak_points.size() == 1 ? " bod " : " body ") + list +
                 (plan.weak_points.size() == 1 ? " má" : " mají") + " poloosu větší než " +
                 text::typed(plan.req.limit_mm, 1) + " mm" +
                 (plan.weak_measurements.empty() ? "." : ";");
        }
        if (!plan.weak_measurements.empty()) {
            std::string list;
            for (const int g : plan.weak_measurements) {
                list += (list.empty() ? "" : ", ") + std::to_string(g);
            }
            s += " měření č. " + list + (plan.weak_measurements.size() == 1 ? " má" : " mají") +
                 " r menší než " + text::typed(plan.req.min_r, 2) + ".";
        }
    }
    t.line();
    t.line(s);
    t.line();
}

void groups_table(Text& t, const Results& res) {
    t.line("Nadbytečnost podle druhů");
    t.line("------------------------");
    t.line("  druh            počet  součet r   (kontrolovaná měření druhu)");
    bool few = false;
    for (const VarianceComponent& c : res.reliability.components) {
        const bool small = c.redundancy < 5;
        few = few || small;
        t.line("  " + pad(text::kinds_name(c.kind), 14, false) + pad(std::to_string(c.count), 7) +
               pad(fixed(c.redundancy, 2), 10) + (small ? "  !" : ""));
    }
    t.line("  Z těchto stupňů volnosti rozbor změřené sítě odhadne, jak přesný je každý druh");
    t.line("  měření proti svým vahám (složky rozptylu).");
    if (few) {
        t.line("  ! pod 5: odhad přesnosti druhu bude mnoho neříkat; pomohou další měření");
        t.line("    téhož druhu.");
    }
    t.line();
}

void points_table(Text& t, const Results& res) {
    t.line(
        "Body (směrodatné odchylky a elipsoid chyb jako ve výpisu, 95% poloosy = 2,7955 × "
        "poloosy)");
    t.line("----");
    t.line(
        "   bod kód     mx     my     mz      a      b      c     alfa     beta     gama"
        "    a95    b95    c95   elipsa: a      b   směr a");
    for (int i = 1; i <= res.points_read; ++i) {
        const Point& p = res.points[i];
        const int a = 3 * i - 3;
        const Ellipsoid& e = p.ellipsoid;
        std::string row = pad(std::to_string(p.number), 6) + pad(std::to_string(p.code), 4);
        for (int k = 0; k < 3; ++k) {
            row += pad(fixed(std::sqrt(std::fabs(res.covariance[a + k][a + k])), 2), 7);
        }
        for (const double v : {e.a, e.b, e.c}) {
            row += pad(fixed(v, 2), 7);
        }
        for (const double v : {e.alfa, e.beta, e.gama}) {
            row += pad(fixed(v, 4), 9);
        }
        for (const double v : {e.a, e.b, e.c}) {
            row += pad(fixed(kConfidence95 * v, 2), 7);
        }
        const PlanEllipse pe = plan_ellipse(res.covariance[a][a], res.covariance[a][a + 1],
                                            res.covariance[a + 1][a + 1]);
        row += pad(fixed(pe.a, 2), 14) + pad(fixed(pe.b, 2), 7) + pad(fixed(pe.bearing, 2), 9);
        t.line(row + (determined(res, i) ? "" : "   pevný"));
    }
    t.line();
}

void measurements_table(Text& t, const Results& res) {
    t.line("Měření");
    t.line("------");
    t.line(
        "   č. druh      stan.   cíl        váha     sd      r  třída           pásmo"
        "             MDB  vliv [mm]   bod");
    for (int g = 1; g <= res.observations_read; ++g) {
        const Observation& o = res.observations[g];
        const Reliable& m = res.reliability.of[g];
        std::string row = pad(std::to_string(g), 5) + " " + pad(text::kind_name(o.kind), 9, false) +
                          pad(std::to_string(o.station), 6) + pad(std::to_string(o.target), 6) +
                          pad(exact(o.weight), 12) +
                          pad(fixed(res.MOO / std::sqrt(o.weight), 2), 7) + " " +
                          text::unit_of(o.kind) + pad(fixed(m.r, 3), 6) + "  " +
                          pad(control_of(m.r), 16, false) + pad(band_of(m.r), 13, false);
        if (m.controlled) {
            row += pad(fixed(m.mdb, 1), 10) + " " + text::unit_of(o.kind) +
                   pad(fixed(m.mdb_effect, 1), 10) + pad(std::to_string(m.mdb_point), 6);
        } else {
            row += pad("-", 10) + "   " + pad("-", 10) + pad("-", 6);
        }
        t.line(row);
    }
    t.line();
}

void suggestion_list(Text& t, const std::vector<Candidate>& list) {
    int k = 0;
    for (const Candidate& c : list) {
        t.line("  " + std::to_string(++k) + ". " + text::naming(c.kind, c.station, c.target) +
               " s vahou " + exact(c.weight) + ": největší poloosa " +
               fixed(c.figures.largest_semi_axis, 2) + " mm (bod " +
               std::to_string(c.figures.largest_point) + "), nejmenší r " +
               fixed(c.figures.smallest_r, 3));
    }
    if (list.empty()) {
        t.line("  (žádné měření navíc tento údaj nezlepší)");
    }
}

void suggestions(Text& t, const Plan& plan) {
    t.line("Návrhy: co přidat");
    t.line("-----------------");
    t.line("Vyzkoušeno " + std::to_string(plan.candidates) +
           " měření, která plán nemá (délky a zenitové úhly mezi body, směry ze stanovisek"
           " se směry), každé samo; váha je (jednotková sd / apriorní sd druhu)^2.");
    if (plan.res.observations_read >= JR) {
        t.line("Plán má " + std::to_string(JR) +
               " měření, víc program nepojme: nic navíc nelze "
               "vyzkoušet.");
    }
    t.line("Nejvíce zmenší největší 95% poloosu:");
    suggestion_list(t, plan.by_semi_axis);
    t.line("Nejvíce zvětší nejmenší r:");
    suggestion_list(t, plan.by_redundancy);
    if (!plan.by_semi_axis.empty()) {
        const Candidate& c = plan.by_semi_axis.front();
        const char* where = c.kind == Kind::Distance ? "na konec oddílu délek"
                            : c.kind == Kind::Zenith ? "na konec oddílu zenitových úhlů"
                                                     : "za poslední směr skupiny stanoviska";
        t.line();
        t.line("První návrh se do vstupního souboru zapíše " + std::string(where) +
               " řádkem (hodnota nehraje roli):");
        t.line("  " + std::to_string(c.station) + " " + std::to_string(c.target) + " 0 " +
               exact(c.weight));
    }
    t.line();
}

void key(Text& t) {
    t.line("Klíč");
    t.line("----");
    t.line("r       číslo nadbytečnosti: jaký díl hrubé chyby měření se ukáže v jeho opravě");
    t.line("        (pod 0,001 nekontrolované, pod 0,1 slabě kontrolované; při návrhu pod 0,3");
    t.line("        nedostatečné, 0,3 až 0,7 uspokojivé, nad 0,7 dobré)");
    t.line("MDB     nejmenší hrubá chyba, kterou test odhalí (hladina 0,1 %, síla 80 %)");
    t.line("vliv    největší posun bodu, který by taková chyba způsobila");
    t.line("a95     poloosa elipsoidu, v němž bod leží s pravděpodobností 95 %");
    t.line("elipsa  vodorovná elipsa chyb (1 sigma): poloosy a, b [mm] a směrník osy a [gon]");
}

}  // namespace

std::string design_report(const Plan& plan, const std::string& input) {
    Text t;
    head(t, plan, input);
    if (!plan.res.warnings.empty()) {
        t.line("Upozornění ke vstupnímu souboru (vstup se přečetl jinak, než na pohled vypadá)");
        for (const Warning& w : plan.res.warnings) {
            t.line("  " + w.text);
        }
        t.line();
    }
    verdict(t, plan);
    groups_table(t, plan.res);
    points_table(t, plan.res);
    measurements_table(t, plan.res);
    suggestions(t, plan);
    key(t);
    return text::in_cp1250(t.out);
}

namespace {

Json suggestions_of(const std::vector<Candidate>& list) {
    Json out = Json::array();
    for (const Candidate& c : list) {
        out.push_back({{"kind", kind_key(c.kind)},
                       {"station", c.station},
                       {"target", c.target},
                       {"weight", c.weight},
                       {"index", c.at},
                       {"largest_semi_axis_mm", c.figures.largest_semi_axis},
                       {"smallest_redundancy", c.figures.smallest_r}});
    }
    return out;
}

}  // namespace

std::string design_json(const Plan& plan) {
    const Results& res = plan.res;
    Json doc;
    doc["format"] = "kavron-design";
    doc["version"] = 1;
    doc["job"] = job_json(res);
    Json groups = Json::array();
    for (const VarianceComponent& c : res.reliability.components) {
        groups.push_back(
            {{"kind", kind_key(c.kind)}, {"count", c.count}, {"redundancy", c.redundancy}});
    }
    doc["statistics"] = {{"redundancy", res.redundancy},
                         {"m0_apriori", static_cast<double>(res.MOO)},
                         {"group_redundancy", groups}};
    Json points = points_json(res);
    for (int i = 1; i <= res.points_read; ++i) {
        Json& p = points[static_cast<std::size_t>(i - 1)];
        p.erase("adjusted");
        const Ellipsoid& e = res.points[i].ellipsoid;
        p["confidence95"] = {
            {"a", kConfidence95 * e.a}, {"b", kConfidence95 * e.b}, {"c", kConfidence95 * e.c}};
        const int a = 3 * i - 3;
        const PlanEllipse pe = plan_ellipse(res.covariance[a][a], res.covariance[a][a + 1],
                                            res.covariance[a + 1][a + 1]);
        p["plan_ellipse"] = {{"a", pe.a}, {"b", pe.b}, {"bearing", pe.bearing}};
        p["determined"] = determined(res, i);
    }
    doc["points"] = points;
    Json observations = Json::array();
    for (int g = 1; g <= res.observations_read; ++g) {
        const Observation& o = res.observations[g];
        const Reliable& m = res.reliability.of[g];
        const auto num = [&](double v) { return m.controlled ? Json(v) : Json(nullptr); };
        observations.push_back(
            {{"index", g},
             {"kind", kind_key(o.kind)},
             {"station", o.station},
             {"target", o.target},
             {"weight", o.weight},
             {"sd", static_cast<double>(res.MOO) / std::sqrt(o.weight)},
             {"unit", o.kind == Kind::Distance ? "mm" : "cc"},
             {"redundancy", m.r},
             {"mdb", num(m.mdb)},
             {"mdb_effect_mm", num(m.mdb_effect)},
             {"mdb_effect_point",
              m.controlled && m.mdb_point != 0 ? Json(m.mdb_point) : Json(nullptr)}});
    }
    doc["observations"] = observations;
    const PlanFigures& f = plan.figures;
    doc["requirements"] = {
        {"limit_mm", plan.req.has_limit ? Json(plan.req.limit_mm) : Json(nullptr)},
        {"min_redundancy", plan.req.min_r},
        {"largest_semi_axis_mm", f.largest_semi_axis},
        {"largest_point", f.largest_point != 0 ? Json(f.largest_point) : Json(nullptr)},
        {"smallest_redundancy", f.smallest_r},
        {"smallest_index", f.smallest_index},
        {"met", plan.met}};
    doc["suggestions"] = {{"candidates_tried", plan.candidates},
                          {"largest_semi_axis", suggestions_of(plan.by_semi_axis)},
                          {"smallest_redundancy", suggestions_of(plan.by_redundancy)}};
    doc["warnings"] = warnings_json(res);
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kavron
