#include "operations/GuiCall.h"

namespace guicall {

std::mutex &handOffMutex()
{
    static std::mutex m;
    return m;
}

std::condition_variable &handedBack()
{
    static std::condition_variable cv;
    return cv;
}

}  // namespace guicall
