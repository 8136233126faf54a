#include "ui/ThreadHandOff.h"

namespace threadhandoff {

std::mutex &postMutex()
{
    static std::mutex m;
    return m;
}

}  // namespace threadhandoff
