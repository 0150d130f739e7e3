#pragma once
// Sets an environment variable for the life of the object and then puts back what was there
// before (or unsets it), also when the test fails half-way.

#include <QByteArray>
#include <optional>

namespace fixture {

class EnvVar {
public:
    EnvVar(const char* name, const QByteArray& value);
    ~EnvVar();
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> previous_;
};

}  // namespace fixture
