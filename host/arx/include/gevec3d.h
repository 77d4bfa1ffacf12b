// 3-D vectors live with the 3-D points.
#pragma once
#include "gepnt3d.h"
