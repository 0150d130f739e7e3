#include "filemodes.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace fixture {

ByTheFilesModes::ByTheFilesModes()
{
    ::syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ::syscall(SYS_capset, &header_, lowered);
}

ByTheFilesModes::~ByTheFilesModes() { ::syscall(SYS_capset, &header_, saved_); }

}  // namespace fixture
