#include "format/record.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kavron::fmt {
namespace {

// The decimal expansion of v with 17 significant digits: digits and the exponent of the first.
struct Decimal {
    std::string digits;  // 17 digits
    int exp = 0;         // the first digit stands for 10^exp
    bool neg = false;
};

Decimal expand(double v) {
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16);
    *res.ptr = '\0';
    Decimal r;
    const char* p = buf;
    if (*p == '-') {
        r.neg = true;
        ++p;
    }
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            r.digits.push_back(*p);
        }
    }
    r.exp = std::atoi(p + 1);
    return r;
}

// Keeps `keep` leading digits of the expansion, rounding half away from zero; the carry may add a
// digit in front (and raise the exponent).
void round_to(Decimal& x, int keep) {
    if (keep < 0) {
        x.digits.clear();
        return;
    }
    const bool up = keep < static_cast<int>(x.digits.size()) && x.digits[keep] >= '5';
    x.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int k = keep - 1;
        while (k >= 0 && x.digits[k] == '9') {
            x.digits[k] = '0';
            --k;
        }
        if (k >= 0) {
            ++x.digits[k];
        } else {
            x.digits.insert(x.digits.begin(), '1');
            ++x.exp;
        }
    }
}

std::string stars(int w) {
    return std::string(static_cast<std::size_t>(w > 0 ? w : 0), '*');
}

std::string justify(const std::string& s, int w) {
    if (static_cast<int>(s.size()) > w) {
        return stars(w);
    }
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

std::string exponent_form(double v) {
    if (!std::isfinite(v)) {
        return stars(24);
    }
    Decimal x = expand(v);
    if (v == 0.0) {
        x.exp = 0;
    }
    round_to(x, 16);
    std::string s = x.neg && v != 0.0 ? "-" : "";
    s += x.digits[0];
    s += '.';
    s += x.digits.substr(1, 15);
    char e[16];
    std::snprintf(e, sizeof e, "E%c%03d", x.exp < 0 ? '-' : '+', std::abs(x.exp));
    s += e;
    return justify(s, 24);
}

}  // namespace

std::string int_field(long long v, int w) {
    return justify(std::to_string(v), w);
}

std::string real_field(double v, int w, int d, bool single) {
    if (!std::isfinite(v)) {
        return stars(w);
    }
    Decimal x = expand(v);
    const int budget = single ? 7 : 16;
    int keep = v == 0.0 ? 0 : x.exp + d + 1;
    if (keep > budget) {
        keep = budget;
    }
    if (v == 0.0) {
        x.digits.clear();
    } else {
        round_to(x, keep);
    }
    // Digits of |v|·10^d as an integer: the kept digits followed by zeros down to place 10^-d.
    std::string scaled = x.digits;
    if (!scaled.empty()) {
        const int zeros = x.exp - static_cast<int>(scaled.size()) + 1 + d;
        scaled.append(static_cast<std::size_t>(zeros > 0 ? zeros : 0), '0');
    }
    const auto first = scaled.find_first_not_of('0');
    const bool zero = first == std::string::npos;
    scaled = zero ? std::string() : scaled.substr(first);
    if (static_cast<int>(scaled.size()) < d) {
        scaled.insert(0, static_cast<std::size_t>(d) - scaled.size(), '0');
    }
    std::string intpart = scaled.substr(0, scaled.size() - static_cast<std::size_t>(d));
    if (intpart.empty() && d == 0) {
        intpart.assign(1, '0');
    }
    std::string s = x.neg && !zero ? "-" : "";
    s += intpart;
    s += '.';
    s += scaled.substr(scaled.size() - static_cast<std::size_t>(d));
    return justify(s, w);
}

std::string list_double(double v) {
    const double m = std::fabs(v);
    if (m >= 1.0 && m < 10000000.0) {
        return real_field(v, 24, 15);
    }
    return exponent_form(v);
}

namespace {

struct Builder {
    std::span<const Val> vals;
    CodePage cp = CodePage::Cp1250;
    std::size_t next = 0;
    bool stopped = false;
    std::string cur;
    int pending = 0;
    std::vector<std::string> out;

    void put(const std::string& s) {
        cur.append(static_cast<std::size_t>(pending), ' ');
        pending = 0;
        cur += s;
    }

    std::string field(const Item& it, const Val& v) const {
        switch (it.kind) {
            case Item::Kind::Int:
                if (v.kind != Val::Kind::Int) {
                    throw LayoutError("integer field given a value of another kind");
                }
                return int_field(v.i, it.w);
            case Item::Kind::Real:
                if (v.kind != Val::Kind::Dbl && v.kind != Val::Kind::Flt) {
                    throw LayoutError("real field given a value of another kind");
                }
                return real_field(v.d, it.w, it.d, v.kind == Val::Kind::Flt);
            default: {
                if (v.kind != Val::Kind::Raw && v.kind != Val::Kind::Lit) {
                    throw LayoutError("text field given a number");
                }
                std::string s = v.kind == Val::Kind::Lit ? encode(v.s, cp) : std::string(v.s);
                if (it.w == 0) {
                    return s;
                }
                const auto w = static_cast<std::size_t>(it.w);
                return s.size() >= w ? s.substr(0, w) : std::string(w - s.size(), ' ') + s;
            }
        }
    }

    void run(const Layout& items) {
        for (const Item& it : items) {
            if (stopped) {
                return;
            }
            switch (it.kind) {
                case Item::Kind::Text:
                    put(encode(it.text, cp));
                    break;
                case Item::Kind::Skip:
                    pending += it.w;
                    break;
                case Item::Kind::End:
                    out.push_back(cur);
                    cur.clear();
                    pending = 0;
                    break;
                case Item::Kind::Group:
                    for (int k = 0; k < it.n && !stopped; ++k) {
                        run(it.sub);
                    }
                    break;
                default:
                    if (next == vals.size()) {
                        stopped = true;
                        return;
                    }
                    put(field(it, vals[next++]));
                    break;
            }
        }
    }
};

}  // namespace

std::vector<std::string> format_records(const Layout& layout, std::span<const Val> vals,
                                        CodePage cp) {
    Builder b;
    b.vals = vals;
    b.cp = cp;
    b.run(layout);
    if (b.next < vals.size()) {
        throw LayoutError("more values than the layout has fields");
    }
    b.out.push_back(b.cur);
    return b.out;
}

std::vector<std::string> list_records(std::span<const Val> vals, CodePage cp) {
    constexpr std::size_t kLimit = 79;
    std::vector<std::string> out;
    std::string cur = " ";
    bool prev_number = false;
    auto used = [&] { return cur.size() - 1; };
    auto fresh = [&] {
        out.push_back(cur);
        cur.assign(1, ' ');
        prev_number = false;
    };
    for (const Val& v : vals) {
        if (v.kind == Val::Kind::Raw || v.kind == Val::Kind::Lit) {
            std::string s = v.kind == Val::Kind::Lit ? encode(v.s, cp) : std::string(v.s);
            std::size_t at = 0;
            do {
                if (used() == kLimit) {
                    fresh();
                }
                const std::size_t room = kLimit - used();
                const std::size_t take = std::min(room, s.size() - at);
                cur.append(s, at, take);
                at += take;
            } while (at < s.size());
            prev_number = false;
            continue;
        }
        const std::string num = v.kind == Val::Kind::Int ? int_field(v.i, 11) : list_double(v.d);
        std::size_t width = num.size() + (prev_number ? 1 : 0);
        if (used() + width > kLimit) {
            fresh();
            width = num.size();
        }
        if (width > num.size()) {
            cur += ' ';
        }
        cur += num;
        prev_number = true;
    }
    out.push_back(cur);
    return out;
}

}  // namespace kavron::fmt
