// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FontFaces.h"

#include <QFont>

#include <array>

namespace {

enum class TScript { Latin, Korean, Chinese, Arabic, Hebrew };

// Cyrillic and Greek count as Latin: the Latin faces carry them at the same
// widths.
TScript ScriptOf(int codePage)
{
    switch (codePage) {
    case 949:
        return TScript::Korean;
    case 936:
    case 950:
        return TScript::Chinese;
    case 1256:
        return TScript::Arabic;
    case 1255:
        return TScript::Hebrew;
    default:
        return TScript::Latin;
    }
}

struct TDesignedFace {
    const char* Name; // lower case
    bool Serif;
};

constexpr std::array<TDesignedFace, 8> DesignedFaces { {
    { "gulim", false },
    { "batang", true },
    { "ms song", false },
    { "nsimsun", false },
    { "arial", false },
    { "times new roman", true },
    { "ms sans serif", false },
    { "ms ui gothic", false },
} };

// Liberation from fonts-liberation2 and DejaVu from fonts-dejavu-core for
// Latin, Cyrillic and Greek; Korean from fonts-nanum with the Chinese face of
// fonts-wqy-microhei, which has Hangul too, behind it; Arabic from
// fonts-hosny-amiri (in italic too) with DejaVu Sans; Hebrew from DejaVu Sans.
QStringList Families(TScript script, bool serif)
{
    switch (script) {
    case TScript::Korean:
        return serif ? QStringList { "NanumMyeongjo", "WenQuanYi Micro Hei", "DejaVu Serif" }
                     : QStringList { "NanumGothic", "WenQuanYi Micro Hei", "DejaVu Sans" };
    case TScript::Chinese:
        return { "WenQuanYi Micro Hei", "DejaVu Sans" };
    case TScript::Arabic:
        return serif ? QStringList { "Amiri", "DejaVu Sans" } : QStringList { "DejaVu Sans", "Amiri" };
    case TScript::Hebrew:
        return { "DejaVu Sans", "Liberation Sans" };
    case TScript::Latin:
        break;
    }
    return serif ? QStringList { "Liberation Serif", "DejaVu Serif" }
                 : QStringList { "Liberation Sans", "DejaVu Sans" };
}

} // namespace

QStringList FontFaceSubstitutes(const QString& designedFace, int codePage)
{
    const QString name = designedFace.toLower();
    for (const TDesignedFace& face : DesignedFaces)
        if (name == QLatin1String(face.Name))
            return Families(ScriptOf(codePage), face.Serif);
    return {};
}

void MapDesignedFontFaces(int codePage)
{
    for (const TDesignedFace& face : DesignedFaces) {
        const QString name = QString::fromLatin1(face.Name);
        QFont::removeSubstitutions(name);
        QFont::insertSubstitutions(name, Families(ScriptOf(codePage), face.Serif));
    }
}
