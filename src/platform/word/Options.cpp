#include "platform/word/Options.h"

namespace word::options {

Values &values()
{
    static Values v;
    return v;
}

QMutex &mutex()
{
    static QMutex m;
    return m;
}

} // namespace word::options
