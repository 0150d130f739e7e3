#include "sharedlibrary.h"

#include <dlfcn.h>

#include "errors.h"

namespace {

QString lastError() { return QString::fromLocal8Bit(dlerror()); }

}  // namespace

SharedLibrary::SharedLibrary(const char* soname)
    : soname_(QString::fromLatin1(soname)), handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL))
{
    if (!handle_) throw EngineError(EngineErrorCode::LibraryNotLoaded, lastError());
}

void* SharedLibrary::address(const char* name) const
{
    dlerror();
    void* address = dlsym(handle_, name);
    if (!address)
        throw EngineError(EngineErrorCode::LibraryNotLoaded,
                          soname_ + QStringLiteral(": ") + QString::fromLatin1(name));
    return address;
}
