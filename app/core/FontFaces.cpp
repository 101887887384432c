// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FontFaces.h"

#include <QFont>
#include <QHash>

namespace {

// Korean sans and serif from fonts-nanum, Chinese (simplified and traditional)
// from fonts-wqy-microhei, the metric-compatible Liberation faces from
// fonts-liberation2, the serif Arabic (in italic too) from fonts-hosny-amiri.
// DejaVu closes with Hebrew, Greek, Cyrillic and upright Arabic.
const QHash<QString, QStringList>& SubstituteTable()
{
    static const QHash<QString, QStringList> table {
        { "gulim", { "NanumGothic", "WenQuanYi Micro Hei", "DejaVu Sans" } },
        { "batang", { "NanumMyeongjo", "Liberation Serif", "WenQuanYi Micro Hei", "DejaVu Serif" } },
        { "ms song", { "WenQuanYi Micro Hei", "NanumGothic", "DejaVu Sans" } },
        { "nsimsun", { "WenQuanYi Micro Hei", "NanumGothic", "DejaVu Sans" } },
        { "arial", { "Liberation Sans", "DejaVu Sans", "NanumGothic", "WenQuanYi Micro Hei" } },
        { "times new roman",
            { "Liberation Serif", "Amiri", "DejaVu Serif", "DejaVu Sans", "NanumMyeongjo",
                "WenQuanYi Micro Hei" } },
        { "ms sans serif", { "Liberation Sans", "DejaVu Sans", "NanumGothic", "WenQuanYi Micro Hei" } },
        { "ms ui gothic", { "Liberation Sans", "DejaVu Sans", "NanumGothic", "WenQuanYi Micro Hei" } },
    };
    return table;
}

} // namespace

QStringList FontFaceSubstitutes(const QString& designedFace)
{
    return SubstituteTable().value(designedFace.toLower());
}

void MapDesignedFontFaces()
{
    const auto& table = SubstituteTable();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        QFont::insertSubstitutions(it.key(), it.value());
}
