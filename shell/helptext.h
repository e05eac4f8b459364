#pragma once

#include <QString>

namespace ringvale {

// The fixed content of the help box: an identification header, then the operator's guide.
QString helpText();

} // namespace ringvale
