#pragma once

#include <string>

namespace ringvale {

// The console API described as OpenAPI 3.0 (JSON), served at /api/openapi.json.
const std::string& openApiDocument();

} // namespace ringvale
