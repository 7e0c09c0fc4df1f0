#include "Models.h"

#include "Sherman.h"
#include "T34.h"
#include "Tiger.h"
#include "Truck.h"

ModelSet Models::build()
{
    ModelSet set;
    Sherman::build(set);
    Tiger::build(set);
    T34::build(set);
    Truck::build(set);
    return set;
}
