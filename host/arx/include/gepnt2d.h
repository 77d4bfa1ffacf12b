// 2-D points live with the 3-D ones.
#pragma once
#include "gepnt3d.h"
