#include "classserver/picturecode.h"

#include "core/datapath.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace Zentovia::PictureCode {

QStringList names()
{
    return { u"sole"_s, u"gatto"_s, u"luna"_s, u"albero"_s, u"pesce"_s, u"stella"_s, u"casa"_s,
        u"fiore"_s, u"mela"_s };
}

QString draw()
{
    QString code;
    for (int n = 0; n < 3; ++n)
        code += QChar(u'1' + QRandomGenerator::system()->bounded(9));
    return code;
}

QString spoken(const QString &code)
{
    const QStringList all = names();
    QStringList said;
    for (const QChar digit : code)
        said << all.value(digit.digitValue() - 1);
    return said.join(u' ');
}

QString picturePath(int index)
{
    return dataPath(u"pictures/codice/%1.svg"_s.arg(names().value(index)));
}

namespace {

const QString UnconfirmedMark = u" (da confermare)"_s;
constexpr int LongestName = 60;

} // namespace

QString unconfirmed(const QString &typed)
{
    return typed.trimmed().left(LongestName - UnconfirmedMark.size()).trimmed() + UnconfirmedMark;
}

bool isUnconfirmed(const QString &name)
{
    return name.endsWith(UnconfirmedMark);
}

QString typedOf(const QString &unconfirmedName)
{
    return isUnconfirmed(unconfirmedName) ? unconfirmedName.chopped(UnconfirmedMark.size())
                                          : unconfirmedName;
}

} // namespace Zentovia::PictureCode
