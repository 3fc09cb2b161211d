// The UI driver of the suite's tests: everything in one include.
#pragma once

#include "uidriver/failure.h"
#include "uidriver/find.h"
#include "uidriver/gdi_objects.h"
#include "uidriver/input.h"
#include "uidriver/picture.h"
#include "uidriver/program.h"
#include "uidriver/texts.h"
