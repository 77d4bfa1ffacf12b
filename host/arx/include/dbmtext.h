// Multi-line texts are declared with the other entities.
#pragma once
#include "dbents.h"
