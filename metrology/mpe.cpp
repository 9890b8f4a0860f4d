// SPDX-License-Identifier: MIT
// The table of maximum permissible errors and the one routine that looks a load up in it.
#include "mpe.h"

#include <cmath>
#include <cstdlib>

using AC = AccuracyClass;

const QList<MpeBand> &mpeBands()
{
    static const QList<MpeBand> bands{
        // OIML R76-1 clause 3.5.1, Table 6 (initial verification); clause 3.5.2: in service
        // twice the initial limits. 2014/31/EU Annex I repeats both.
        {AC::I, 50000, 1, 2},                // R76-1 Table 6, class I: 0 <= m <= 50 000 e
        {AC::I, 200000, 2, 4},               // R76-1 Table 6, class I: up to 200 000 e
        {AC::I, MpeBand::kNoUpperEnd, 3, 6}, // R76-1 Table 6, class I: above 200 000 e
        {AC::II, 5000, 1, 2},                // R76-1 Table 6, class II: 0 <= m <= 5 000 e
        {AC::II, 20000, 2, 4},               // R76-1 Table 6, class II: up to 20 000 e
        {AC::II, 100000, 3, 6},              // R76-1 Table 6, class II: up to 100 000 e
        {AC::III, 500, 1, 2},                // R76-1 Table 6, class III: 0 <= m <= 500 e
        {AC::III, 2000, 2, 4},               // R76-1 Table 6, class III: up to 2 000 e
        {AC::III, 10000, 3, 6},              // R76-1 Table 6, class III: up to 10 000 e
        {AC::IIII, 50, 1, 2},                // R76-1 Table 6, class IIII: 0 <= m <= 50 e
        {AC::IIII, 200, 2, 4},               // R76-1 Table 6, class IIII: up to 200 e
        {AC::IIII, 1000, 3, 6},              // R76-1 Table 6, class IIII: up to 1 000 e
        // NIST Handbook 44 section 2.20, T.N.3.1 and Table 6: maintenance tolerances, class III
        // (1, 2, 3, 5 d); T.N.3.2: acceptance tolerances are half the maintenance ones.
        {AC::Hb44III, 500, 1, 2},  // HB44 2.20 Table 6, class III: 0 to 500 d
        {AC::Hb44III, 2000, 2, 4}, // HB44 2.20 Table 6, class III: 501 to 2 000 d
        {AC::Hb44III, 4000, 3, 6}, // HB44 2.20 Table 6, class III: 2 001 to 4 000 d
        {AC::Hb44III, MpeBand::kNoUpperEnd, 5, 10}, // HB44 2.20 Table 6, class III: 4 001 d +
    };
    return bands;
}

QList<MpeBand> mpeBands(AccuracyClass accuracyClass)
{
    QList<MpeBand> bands;
    for (const MpeBand &band : mpeBands()) {
        if (band.accuracyClass == accuracyClass)
            bands.append(band);
    }
    return bands;
}

bool Mpe::admits(qint64 error) const
{
    // Both sides are far inside 64 bits: counts come from a 32-bit register, e from a plan.
    return 2 * std::llabs(error) <= qint64(halfE) * e;
}

double Mpe::value() const
{
    return halfE * double(e) / 2.0 / std::pow(10.0, places);
}

std::optional<Mpe> maximumPermissibleError(AccuracyClass accuracyClass, Regime regime, qint64 load,
                                           qint64 e, int places)
{
    if (load < 0 || e <= 0)
        return std::nullopt;
    for (const MpeBand &band : mpeBands()) {
        if (band.accuracyClass != accuracyClass)
            continue;
        // The edge belongs to the lower band: 500 e is still ±0.5 e in class III, one count
        // more is ±1 e. A load too large for upToE * e to be formed lies above the edge.
        qint64 edge = 0;
        const bool within = band.upToE == MpeBand::kNoUpperEnd ||
                            (!__builtin_mul_overflow(band.upToE, e, &edge) && load <= edge);
        if (within) {
            const int halfE = regime == Regime::Initial ? band.initialHalfE : band.inServiceHalfE;
            return Mpe{halfE, e, places};
        }
    }
    return std::nullopt;
}
