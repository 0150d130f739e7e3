#pragma once
// A system library opened at its first use instead of linked to the program. Every linked
// library is loaded before the first window can show; OpenSSL's libcrypto and libxlsxwriter
// cost milliseconds there that only a few operations (a file's password, a digest, an Excel
// export) need.

#include <QString>

class SharedLibrary {
public:
    // Loads `soname` ("libcrypto.so.3"); throws EngineError (LibraryNotLoaded, with the
    // system's reason) when it cannot. The library stays loaded until the program ends.
    explicit SharedLibrary(const char* soname);
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The function `name` with the type `Function` of its declaration in the library's
    // header; throws EngineError (LibraryNotLoaded) when the library lacks it. Use
    // LIBRARY_FUNCTION, which takes both from the declaration.
    template <typename Function>
    Function function(const char* name) const
    {
        return reinterpret_cast<Function>(address(name));
    }

private:
    void* address(const char* name) const;

    QString soname_;
    void* handle_;
};

// The function `name` of `library`, typed as the library's header declares it.
#define LIBRARY_FUNCTION(library, name) (library).function<decltype(&::name)>(#name)
