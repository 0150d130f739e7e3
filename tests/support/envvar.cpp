#include "envvar.h"

#include <QtGlobal>

namespace fixture {

EnvVar::EnvVar(const char* name, const QByteArray& value) : name_(name)
{
    if (qEnvironmentVariableIsSet(name)) previous_ = qgetenv(name);
    qputenv(name, value);
}

EnvVar::~EnvVar()
{
    if (previous_) qputenv(name_, *previous_);
    else qunsetenv(name_);
}

}  // namespace fixture
