#include "common/tvOption.h"

TtvOption tvOption;
