#include "format/record.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kavron::fmt {
namespace {

constexpr int kWidest = 160;  // the widest real field a layout may give

// The decimal expansion of v with 17 significant digits: digits and the exponent of the first.
struct Decimal {
    char digits[18];  // 17 digits; one more in front after a carry
    int len = 0;
    int exp = 0;  // the first digit stands for 10^exp
    bool neg = false;
};

Decimal expand(double v) {
    char buf[40];
    const char* const end = buf + scientific17(v, buf);
    Decimal r;
    const char* p = buf;
    if (*p == '-') {
        r.neg = true;
        ++p;
    }
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            r.digits[r.len++] = *p;
        }
    }
    ++p;
    const bool neg_exp = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    int e = 0;
    for (; p < end; ++p) {
        e = e * 10 + (*p - '0');
    }
    r.exp = neg_exp ? -e : e;
    return r;
}

// Keeps `keep` (at most 16) leading digits of the expansion, rounding half away from zero; the
// carry may add a digit in front (and raise the exponent).
void round_to(Decimal& x, int keep) {
    if (keep < 0) {
        x.len = 0;
        return;
    }
    const bool up = keep < x.len && x.digits[keep] >= '5';
    x.len = keep;
    if (up) {
        int k = keep - 1;
        while (k >= 0 && x.digits[k] == '9') {
            x.digits[k] = '0';
            --k;
        }
        if (k >= 0) {
            ++x.digits[k];
        } else {
            std::memmove(x.digits + 1, x.digits, static_cast<std::size_t>(x.len));
            x.digits[0] = '1';
            ++x.len;
            ++x.exp;
        }
    }
}

std::string stars(int w) {
    return std::string(static_cast<std::size_t>(w > 0 ? w : 0), '*');
}

std::string justify(std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) {
        return stars(w);
    }
    std::string out(static_cast<std::size_t>(w) - s.size(), ' ');
    out.append(s);
    return out;
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
    char s[40];
    int n = 0;
    if (x.neg && v != 0.0) {
        s[n++] = '-';
    }
    s[n++] = x.digits[0];
    s[n++] = '.';
    for (int k = 1; k < x.len && k <= 15; ++k) {
        s[n++] = x.digits[k];
    }
    n += std::snprintf(s + n, sizeof s - static_cast<std::size_t>(n), "E%c%03d",
                       x.exp < 0 ? '-' : '+', std::abs(x.exp));
    return justify({s, static_cast<std::size_t>(n)}, 24);
}

}  // namespace

int scientific17_printf(double v, char* buf) {
    return std::snprintf(buf, 32, "%.16e", v);
}

int scientific17(double v, char* buf) {
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    return static_cast<int>(std::to_chars(buf, buf + 32, v, std::chars_format::scientific, 16).ptr -
                            buf);
#else
    return scientific17_printf(v, buf);
#endif
}

std::string int_field(long long v, int w) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return justify({buf, static_cast<std::size_t>(res.ptr - buf)}, w);
}

namespace {

// The digits of |v|·10^d (no leading zeros; none for zero) with the point put before the last
// d of them: "-12.50", ".05", "0." for d = 0 and v = 0.
std::string point_placed(std::string_view digits, int d, bool negative) {
    const int count = static_cast<int>(digits.size());
    char s[kWidest + 2];
    int m = 0;
    if (negative) {
        s[m++] = '-';
    }
    if (count > d) {
        for (int k = 0; k < count - d; ++k) {
            s[m++] = digits[static_cast<std::size_t>(k)];
        }
    } else if (d == 0) {
        s[m++] = '0';
    }
    s[m++] = '.';
    for (int k = count; k < d; ++k) {
        s[m++] = '0';
    }
    for (int k = count > d ? count - d : 0; k < count; ++k) {
        s[m++] = digits[static_cast<std::size_t>(k)];
    }
    return {s, static_cast<std::size_t>(m)};
}

}  // namespace

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
        x.len = 0;
    } else {
        round_to(x, keep);
    }
    // Digits of |v|·10^d as an integer: the kept digits followed by zeros down to place 10^-d.
    // The text has at least d + 1 characters (the point and the decimals), and at least
    // exp + d + 2 when the value keeps a digit at 10^exp, exp >= 0: beyond w it is all stars.
    if (w > kWidest) {
        throw LayoutError("real field wider than any record");
    }
    if (d + 1 > w || (x.len > 0 && x.exp + d + 2 > w)) {
        return stars(w);
    }
    char scaled[kWidest + 2];
    int n = 0;
    if (x.len > 0) {
        const int zeros = x.exp - x.len + 1 + d;
        std::memcpy(scaled, x.digits, static_cast<std::size_t>(x.len));
        n = x.len;
        for (int k = 0; k < zeros; ++k) {
            scaled[n++] = '0';
        }
    }
    int first = 0;
    while (first < n && scaled[first] == '0') {
        ++first;
    }
    const std::string_view digits(scaled + first, static_cast<std::size_t>(n - first));
    return justify(point_placed(digits, d, x.neg && first != n), w);
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

    void put(std::string_view s) {
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
                    cur.append(static_cast<std::size_t>(pending), ' ');
                    pending = 0;
                    append_encoded(cur, it.text, cp);
                    break;
                case Item::Kind::Skip:
                    pending += it.w;
                    break;
                case Item::Kind::End:
                    out.push_back(std::move(cur));
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
    b.out.push_back(std::move(b.cur));
    return std::move(b.out);
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
