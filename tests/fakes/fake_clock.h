#pragma once

// Old name of the fakes header, until every test includes fakes.h.
#include "fakes.h"
