#include "learning/answer.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

QString modeName(Mode mode)
{
    return mode == Mode::Contest ? u"gara"_s : u"ripasso"_s;
}

std::optional<Mode> modeNamed(QStringView name)
{
    for (const Mode mode : { Mode::Contest, Mode::Practice }) {
        if (name == modeName(mode))
            return mode;
    }
    return std::nullopt;
}

} // namespace Zentovia
