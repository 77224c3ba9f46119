// The console dialog that asks for derived quantities between adjusted points.
#include "driver/dialog.hpp"

#include "matrix/matrix.hpp"
#include "reports/listing.hpp"
#include "results/results.hpp"

namespace kavron {

using fmt::lit;

namespace {

// The states of the dialog, in the order the questions come:
//   D1 spatial distances?          P1 their point entry        C1 end the distances?
//   D2 horizontal distances?       E1 from spatial to horizontal, then on to D3
//   D3 height differences?         P2 their point entry        C2 end the height differences?
//   D4 horizontal angles?          P4 their point entry        C4 end the angles?
//   D5 zenith angles?  A5 D5's answer read again without the question
//                                  P3 their point entry        C3 end the zenith angles?
//   END the listing is named and the run ends.
enum class St { D1, D2, P1, C1, E1, D3, P2, C2, D4, P4, C4, D5, A5, P3, C3, END };
enum class Reply { Yes, No, Failed };
enum class Entry { Numbers, Failed };

struct Dialog {
    Run& r;
    const Job& t;
    const Solution& sol;
    Results& res;
    i16 FLAG = 0, NAVD = 1;
    i16 AK1 = 0, AK2 = 0, AK3 = 0;
    i16 I1 = 0, I2 = 0, J1 = 0, K1 = 0;

    // Reads an answer: its first character, N or n meaning no.
    Reply answer() {
        const auto line = r.con.read_line();
        if (!line) {
            return Reply::Failed;
        }
        const char ROZ = line->empty() ? ' ' : (*line)[0];
        return ROZ == 'N' || ROZ == 'n' ? Reply::No : Reply::Yes;
    }

    Reply ask(std::string_view question) {
        r.con.list({lit(question)});
        return answer();
    }

    Entry enter(std::string_view prompt, int count) {
        r.con.list({lit(prompt)});
        ConsoleCursor cur(r.con);
        const ReadStatus s = count == 2 ? cur.list_read({var(AK1), var(AK2)})
                                        : cur.list_read({var(AK1), var(AK2), var(AK3)});
        return s == ReadStatus::Ok ? Entry::Numbers : Entry::Failed;
    }

    void list_points() {
        r.con.list({lit("Čísla bodů jsou:")});
        std::vector<fmt::Val> nums;
        for (int i = 1; i <= t.IB; ++i) {
            nums.emplace_back(t.IN[i]);
        }
        for (const auto& rec : fmt::list_records(nums, CodePage::Cp852)) {
            r.con.record(rec);
        }
    }

    bool found(int number, i16& pos) { return CBODU(t.IN, t.IB, number, pos, r.con) == 0; }

    St reenter_two() {
        r.con.list({lit("Znovu zadejte obě čísla bodů.")});
        list_points();
        return NAVD == 1 ? St::P1 : NAVD == 2 ? St::P2 : St::P3;
    }

    St reenter_three() {
        r.con.list({lit("Znovu zadejte všechna čísla bodů.")});
        list_points();
        return St::P4;
    }

    void header(Derived kind) {
        listing::derived_header(r.lst, kind);
        r.con.record(" ");
    }

    // An accepted quantity: its row in the listing and its entry in the results.
    bool take(const std::optional<DerivedResult>& d) {
        if (!d) {
            return false;
        }
        if (d->negative) {
            r.con.list({lit("f fce"), *d->negative});
        }
        listing::derived_row(r.lst, d->q);
        res.derived.push_back(d->q);
        return true;
    }

    // The point entry of a two-point quantity: read, check, look up, compute.
    template <typename Compute>
    St two_points(St on_failure, St on_negative, St again, Compute compute) {
        if (enter("Vložte čísla bodů i,j ? ", 2) == Entry::Failed) {
            return failed(on_failure);
        }
        if (AK1 < 0 || AK2 < 0) {
            return on_negative;
        }
        if (!found(AK1, I1) || !found(AK2, I2)) {
            return reenter_two();
        }
        compute();
        return again;
    }

    // What a read failure leads to: its own transition, or END once the console has ended.
    St failed(St next) const { return r.con.input_ended() ? St::END : next; }

    // The three points of an angle: its vertex between the left and the right target.
    St angle_points() {
        if (enter("Vložte čísla bodů j,i,k (j-levý, i-vrchol, k-pravý)?", 3) == Entry::Failed) {
            return failed(St::C4);
        }
        if (AK1 < 0 || AK2 < 0 || AK3 < 0) {
            return St::C4;
        }
        if (!found(AK1, J1) || !found(AK2, I1) || !found(AK3, K1)) {
            return reenter_three();
        }
        return take(derived_angle(sol, res, J1, I1, K1)) ? St::P4 : reenter_three();
    }

    // The states of the distances (spatial, then horizontal).
    St distance_step(St s) {
        switch (s) {
            case St::D1:
                FLAG = 0;
                NAVD = 1;
                return on_reply(
                    ask("Výpočet prostorové délky a její směrod. odch. mezi body i,j  (a/n)?"),
                    St::D1, St::E1, St::P1, [this] {
                        header(FLAG == 1 ? Derived::HorizontalDistance : Derived::SpatialDistance);
                    });
            case St::D2:
                r.con.record(" ");
                return on_reply(
                    ask("Výpočet vodorovné délky mezi body i,j (a/n)?"), St::D1, St::E1, St::P1,
                    [this] {
                        header(FLAG == 1 ? Derived::HorizontalDistance : Derived::SpatialDistance);
                    });
            case St::P1:
                return two_points(St::C1, St::C1, St::P1, [this] {
                    (void)take(derived_distance(sol, res, I1, I2, FLAG == 1));
                });
            case St::C1:
                return on_reply(ask("Chcete opravdu ukončit výpočet délek? (a/n) "), St::D1, St::P1,
                                St::E1);
            case St::E1:
                if (FLAG == 0) {
                    FLAG = 1;
                    return St::D2;
                }
                return St::D3;
            default:
                return St::END;
        }
    }

    St step(St s) {
        switch (s) {
            case St::D1:
            case St::D2:
            case St::P1:
            case St::C1:
            case St::E1:
                return distance_step(s);
            case St::D3:
                return on_reply(ask("Chcete provést výpočet převýšení mezi body i,j (a/n)?"),
                                St::D1, St::D4, St::P2, [this] {
                                    header(Derived::HeightDifference);
                                    NAVD = 2;
                                });
            case St::P2:  // a negative number only asks again
                return two_points(St::C2, St::P2, St::P2,
                                  [this] { (void)take(derived_height(sol, res, I1, I2)); });
            case St::C2:
                return on_reply(ask("Chcete opravdu ukončit výpočet převýšení (a/n)? "), St::D1,
                                St::P2, St::D4);
            case St::D4:
                return on_reply(ask("Výpočet úhlu mezi body j-i-k a jeho směrod. odch. (a/n)?"),
                                St::END, St::END, St::P4, [this] { header(Derived::Angle); });
            case St::P4:
                return angle_points();
            case St::C4:
                return on_reply(ask("Chcete opravdu ukončit výpočet úhlu? (a/n) "), St::D1, St::P4,
                                St::D5);
            case St::D5:
                return zenith_reply(
                    ask("Chcete provést výpočet zenitového úhlu mezi body i,j (a/n)?"));
            case St::A5:
                return zenith_reply(answer());
            case St::P3:
                return two_points(St::C3, St::C3, St::P3,
                                  [this] { (void)take(derived_zenith(sol, res, I1, I2)); });
            case St::C3:
                return on_reply(ask("Chcete opravdu ukončit výpočet zenit.úhlu (a/n)? "), St::A5,
                                St::P3, St::END);
            case St::END:
                break;
        }
        return St::END;
    }

    template <typename OnYes>
    St on_reply(Reply reply, St on_fail, St on_no, St on_yes, OnYes yes) {
        switch (reply) {
            case Reply::Failed:
                return failed(on_fail);
            case Reply::No:
                return on_no;
            case Reply::Yes:
                break;
        }
        yes();
        if (on_yes == St::P1 || on_yes == St::P2 || on_yes == St::P4) {
            list_points();
        }
        return on_yes;
    }

    St on_reply(Reply reply, St on_fail, St on_no, St on_yes) {
        return on_reply(reply, on_fail, on_no, on_yes, [] {});
    }

    St zenith_reply(Reply reply) {
        if (reply == Reply::Failed) {
            return failed(St::A5);
        }
        if (reply == Reply::No) {
            return St::END;
        }
        header(Derived::ZenithAngle);
        NAVD = 3;
        list_points();
        return St::P3;
    }
};

}  // namespace

void derived_dialog(Run& r, const Job& job, const Solution& sol, Results& res) {
    Dialog d{r, job, sol, res};
    St s = St::D1;
    while (s != St::END) {
        s = d.step(s);
    }
}

}  // namespace kavron
