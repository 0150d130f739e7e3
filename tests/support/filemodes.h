#pragma once
// Root reads and writes any file whatever its mode. For as long as it lives, this lowers the
// calling thread's power to do so (and that of the threads it starts), so that a file without
// read permission cannot be read, as for any other user.

#include <linux/capability.h>

namespace fixture {

class ByTheFilesModes {
public:
    ByTheFilesModes();
    ~ByTheFilesModes();
    ByTheFilesModes(const ByTheFilesModes&) = delete;
    ByTheFilesModes& operator=(const ByTheFilesModes&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

}  // namespace fixture
