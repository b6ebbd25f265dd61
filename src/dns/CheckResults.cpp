#include "dns/CheckResults.h"

CheckResultTable CheckResults;
