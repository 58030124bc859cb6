// The plain reference decoder of the tests (see reference_decoder.h).  It
// stops on the same corrupt data as the product decoder: a read past the
// end, a code over 16 bits, a DC size over 11, a run past the block,
// undefined tables or selectors, sampling other than 1x1/2x1/2x2 luma.
#include "tests/jpeg/reference_decoder.h"

#include <cmath>
#include <cstring>

namespace {

const int ZIG_ZAG[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                         12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                         35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                         58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// T[x][u] = 2^20 * e(u)/2 * cos((2x+1)u*pi/16), truncated toward zero.
struct BasisTable {
    std::int32_t t[8][8];
    BasisTable() {
        const double pi = 3.14159265358979323846;
        for (int x = 0; x < 8; ++x)
            for (int u = 0; u < 8; ++u) {
                const double e = u == 0 ? 1.0 / std::sqrt(2.0) : 1.0;
                t[x][u] = static_cast<std::int32_t>(1048576.0 * (e / 2.0) *
                                                    std::cos((2 * x + 1) * u * pi / 16.0));
            }
    }
};

std::int32_t Basis(int x, int u) {
    static const BasisTable table;
    return table.t[x][u];
}

std::int32_t Add32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Mul32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

struct Table {
    bool defined = false;
    int count = 0;
    const std::uint8_t* values = nullptr;
    std::uint32_t first[17], last[17];
    int index[17];
};

struct Walker {
    const std::uint8_t* begin;
    const std::uint8_t* end;
    ReferencePicture* out;
    std::int32_t restart = 0;
    const std::uint8_t* quant[4] = {nullptr, nullptr, nullptr, nullptr};
    Table dc[4], ac[4];
    int h[3], v[3], tq[3];
    int mcuW = 0, mcuH = 0;
    // bit reader
    const std::uint8_t* pos = nullptr;
    int bit = 0;
    bool bad = false;

    std::uint32_t Word(const std::uint8_t* p) { return p[0] * 256u + p[1]; }

    int Bit() {
        if (pos >= end) {
            bad = true;
            return 0;
        }
        int b = (*pos >> (7 - bit)) & 1;
        if (++bit == 8) {
            bit = 0;
            if (*pos == 0xFF && pos + 1 < end && pos[1] == 0) ++pos;
            ++pos;
        }
        return b;
    }
    std::int32_t Bits(int n) {
        std::int32_t v = 0;
        for (int i = 0; i < n; ++i) v = v * 2 + Bit();
        return v;
    }
    int Symbol(const Table& t) {
        std::uint32_t code = Bit();
        int len = 1;
        while (code > t.last[len] || t.last[len] == 0xFFFF) {
            if (len == 16 || bad) {
                bad = true;
                return 0;
            }
            ++len;
            code = code * 2 + Bit();
        }
        if (bad) return 0;
        std::uint32_t i = code - t.first[len] + static_cast<std::uint8_t>(t.index[len]);
        if (i >= static_cast<std::uint32_t>(t.count)) {
            bad = true;
            return 0;
        }
        return t.values[i];
    }
    std::int32_t Extend(int s) {
        if (s == 0) return 0;
        std::int32_t v = Bits(s);
        return v < (1 << (s - 1)) ? v + 1 - (1 << s) : v;
    }

    // Segment bounds: 0 when the length field or the segment leaves the stream.
    bool Length(const std::uint8_t* p, std::uint32_t* len) {
        if (end - p < 2) return false;
        *len = Word(p);
        return *len >= 2 && static_cast<std::uint32_t>(end - p) >= *len;
    }

    const std::uint8_t* Frame(const std::uint8_t* p) {
        if (end - p < 2) return nullptr;
        if (Word(p) != 17) {
            ++out->debugTexts;
            return nullptr;
        }
        std::uint32_t len;
        if (!Length(p, &len)) return nullptr;
        if (p[2] != 8 || p[7] != 3) return nullptr;
        int y = Word(p + 3), x = Word(p + 5);
        if (!x || !y) return nullptr;
        int hh[3], vv[3], qq[3];
        for (int i = 0; i < 3; ++i) {
            hh[i] = p[9 + 3 * i] >> 4;
            vv[i] = p[9 + 3 * i] & 15;
            qq[i] = p[10 + 3 * i];
            if (qq[i] > 3) return nullptr;
        }
        bool luma =
            (hh[0] == 1 && vv[0] == 1) || (hh[0] == 2 && vv[0] == 1) || (hh[0] == 2 && vv[0] == 2);
        if (!luma || hh[1] != 1 || vv[1] != 1 || hh[2] != 1 || vv[2] != 1) return nullptr;
        std::int64_t stride = (3 * x + 3) / 4 * 4;
        if (stride * y > 0x7FFFFFFF) return nullptr;
        out->hasFrame = true;
        out->width = x;
        out->height = y;
        out->stride = static_cast<std::int32_t>(stride);
        out->pixels.assign(static_cast<std::size_t>(stride * y), 0);
        mcuW = 8 * hh[0];
        mcuH = 8 * vv[0];
        for (int i = 0; i < 3; ++i) {
            h[i] = hh[i];
            v[i] = vv[i];
            tq[i] = qq[i];
        }
        return p + len;
    }

    const std::uint8_t* Quant(const std::uint8_t* p) {
        std::uint32_t len;
        if (!Length(p, &len)) return nullptr;
        for (std::uint32_t i = 0; i < (len - 2) / 65; ++i) {
            const std::uint8_t* t = p + 2 + 65 * i;
            if ((t[0] >> 4) != 0 || (t[0] & 15) > 3) return nullptr;
            quant[t[0] & 15] = t + 1;
        }
        return p + len;
    }

    const std::uint8_t* Huffman(const std::uint8_t* p) {
        std::uint32_t len;
        if (!Length(p, &len)) return nullptr;
        const std::uint8_t* segEnd = p + len;
        const std::uint8_t* q = p + 2;
        for (int n = 0; n < 4; ++n) {
            if (segEnd - q < 17 || (q[0] & 15) > 3) return nullptr;
            Table& t = (q[0] >> 4) ? ac[q[0] & 15] : dc[q[0] & 15];
            int count = 0;
            for (int i = 1; i <= 16; ++i) count += q[i];
            if (count > 256 || segEnd - (q + 17) < count) return nullptr;
            // Canonical codes, shortest first.
            std::uint32_t code = 0;
            int k = 0;
            for (int l = 1; l <= 16; ++l) {
                if (q[l] == 0) {
                    t.first[l] = 0;
                    t.last[l] = 0xFFFF;
                    t.index[l] = 0;
                } else {
                    t.index[l] = k;
                    t.first[l] = code;
                    code += q[l];
                    t.last[l] = code - 1;
                    k += q[l];
                }
                if (k < count) code <<= 1;  // codes only grow while more follow
            }
            t.first[0] = 0;
            t.last[0] = 0xFFFF;
            t.index[0] = 0;
            t.defined = true;
            t.count = count;
            t.values = q + 17;
            q += 17 + count;
            if (q == segEnd) return q;
        }
        return q;
    }

    void Block(int c, const Table& d, const Table& a, std::int32_t* pred, std::int32_t coef[64]) {
        for (int i = 0; i < 64; ++i) coef[i] = 0;
        const std::uint8_t* qt = quant[tq[c]];
        int s = Symbol(d);
        if (bad) return;
        if (s > 11) {
            bad = true;
            return;
        }
        std::int32_t diff = Extend(s);
        if (bad) return;
        pred[c] = Add32(pred[c], diff);
        coef[0] = Mul32(qt[0], pred[c]);
        for (int k = 1; k < 64;) {
            int rs = Symbol(a);
            std::int32_t val = Extend(rs & 15);
            if (bad) return;
            if (rs == 0) break;
            k += rs >> 4;
            if (k > 63) {
                bad = true;
                return;
            }
            coef[ZIG_ZAG[k]] = qt[k] * val;
            ++k;
        }
    }

    const std::uint8_t* Scan(const std::uint8_t* p) {
        if (!out->hasFrame || end - p < 3) return nullptr;
        int ns = p[2];
        const std::uint8_t* e = p + 3;
        if (end - e < 2 * ns + 3) return nullptr;
        int td[4] = {-1, -1, -1, -1}, ta[4] = {-1, -1, -1, -1};
        for (int i = 0; i < ns; ++i, e += 2) {
            if (e[0] < 1 || e[0] > 3 || (e[1] >> 4) > 3 || (e[1] & 15) > 3) return nullptr;
            td[e[0]] = e[1] >> 4;
            ta[e[0]] = e[1] & 15;
        }
        for (int c = 0; c < 3; ++c)
            if (td[c + 1] < 0 || !quant[tq[c]] || !dc[td[c + 1]].defined || !ac[ta[c + 1]].defined)
                return nullptr;
        pos = e + 3;
        bit = 0;
        bad = false;
        std::int32_t pred[3] = {0, 0, 0};
        int count = 0;
        const int perRow = (out->width + mcuW - 1) / mcuW;
        const int rows = (out->height + mcuH - 1) / mcuH;
        for (int my = 0; my < rows; ++my)
            for (int mx = 0; mx < perRow; ++mx) {
                // Restart point: interval run out, or a marker at a byte boundary.
                bool due = (restart != 0 && count == restart) ||
                           (bit == 0 && end - pos > 1 && pos[0] == 0xFF && pos[1] != 0);
                if (due) {
                    if (bit != 0) {
                        if (pos[0] == 0xFF && end - pos > 1 && pos[1] == 0) ++pos;
                        ++pos;
                        bit = 0;
                    }
                    if (end - pos < 2) return nullptr;
                    pos += 2;
                    count = 0;
                    pred[0] = pred[1] = pred[2] = 0;
                }
                std::int32_t coef[6][64];
                int slot = 0;
                for (int c = 0; c < 3; ++c)
                    for (int vv = 0; vv < v[c]; ++vv)
                        for (int hh = 0; hh < h[c]; ++hh) {
                            if (c) slot = c + 3;
                            Block(c, dc[td[c + 1]], ac[ta[c + 1]], pred, coef[slot]);
                            if (bad) return nullptr;
                            ++slot;
                        }
                Store(coef, mx, my);
                ++count;
            }
        if (bit) ++pos;
        return pos;
    }

    void Store(std::int32_t coef[6][64], int mx, int my) {
        std::int32_t Y[16][16], Cb[16][16], Cr[16][16], s[64];
        for (int i = 0; i < h[0] * v[0]; ++i) {
            ReferenceIdct(coef[i], s);
            for (int x = 0; x < 8; ++x)
                for (int y = 0; y < 8; ++y)
                    Y[x + 8 * (i / 2)][y + 8 * (i % 2)] = s[8 * x + y] + 128;
        }
        // Chroma: each sample fills a 2x2 cell, later cells overwriting earlier ones.
        for (int comp = 1; comp <= 2; ++comp) {
            auto& W = comp == 1 ? Cb : Cr;
            ReferenceIdct(coef[comp + 3], s);
            int vr = v[0] / v[comp], hr = h[0] / h[comp];
            for (int x = 0; x < 8; ++x)
                for (int y = 0; y < 8; ++y) {
                    int a = vr * x, b = hr * y;
                    W[a + 1][b + 1] = s[8 * x + y];
                    W[a + 1][b] = W[a + 1][b + 1];
                    W[a][b + 1] = W[a + 1][b];
                    W[a][b] = W[a][b + 1];
                }
        }
        for (int r = 0; r < mcuH; ++r)
            for (int c = 0; c < mcuW; ++c) {
                int px = mcuW * mx + c, py = mcuH * my + r;
                if (px >= out->width || py >= out->height) continue;
                std::uint8_t* d =
                    &out->pixels[static_cast<std::size_t>(out->stride) * (out->height - 1 - py) +
                                 3 * px];
                ReferenceColour(Y[r][c], Cb[r][c], Cr[r][c], d);
            }
    }

    void Walk() {
        const std::uint8_t* p = begin;
        while (p) {
            if (end - p < 2 || p[0] != 0xFF) return;
            int code = p[1];
            p += 2;
            std::uint32_t len;
            switch (code) {
                case 0xC0:
                    p = Frame(p);
                    break;
                case 0xC4:
                    p = Huffman(p);
                    break;
                case 0xD8:
                    break;
                case 0xDA:
                    p = Scan(p);
                    break;
                case 0xDB:
                    p = Quant(p);
                    break;
                case 0xDD:
                    if (!Length(p, &len) || len < 4) return;
                    restart = static_cast<std::int32_t>(Word(p + 2));
                    p += len;
                    break;
                default:
                    if (code < 0xE0 || code > 0xFE || !Length(p, &len)) return;
                    p += len;
            }
        }
    }
};

}  // namespace

void ReferenceIdct(const std::int32_t coefficients[64], std::int32_t samples[64]) {
    std::int32_t mid[64];
    for (int x = 0; x < 8; ++x)
        for (int u = 0; u < 8; ++u) {
            std::int32_t sum = 0;
            for (int k = 0; k < 8; ++k)
                sum = Add32(sum, Mul32(coefficients[8 * k + u], Basis(x, k)));
            mid[8 * x + u] = sum / 1048576;
        }
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y) {
            std::int32_t sum = 0;
            for (int k = 0; k < 8; ++k) sum = Add32(sum, Mul32(mid[8 * x + k], Basis(y, k)));
            samples[8 * x + y] = sum / 1048576;
        }
}

void ReferenceColour(std::int32_t y, std::int32_t cb, std::int32_t cr, std::uint8_t bgr[3]) {
    const double Y = y, Cb = cb, Cr = cr;
    const double rgb[3] = {Cr * 1.402 + Y, Y - Cb * 0.3441 - Cr * 0.7139,
                           Cb * 1.7718 + Y - Cr * 0.0012};
    for (int i = 0; i < 3; ++i) {
        std::int32_t t = static_cast<std::int32_t>(rgb[i]);
        bgr[2 - i] = static_cast<std::uint8_t>(t < 0 ? 0 : t > 255 ? 255 : t);
    }
}

ReferencePicture ReferenceDecode(const std::uint8_t* stream, std::size_t length) {
    ReferencePicture picture;
    Walker walker;
    walker.begin = stream;
    walker.end = stream + length;
    walker.out = &picture;
    walker.Walk();
    return picture;
}
