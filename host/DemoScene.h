// The built-in scene shown when no model is given: a small apartment.
#pragma once

#include "Camera.h"
#include "ObjModel.h"

namespace walkhost {

// Living room (west) and bedroom (east), each with a ceiling, a floor and
// walls that share one material per room, a door between the rooms, a front
// door, a window in each north wall, and furniture with materials of its own.
ObjModel MakeDemoApartment();

// Standing in the living room's south-west part, looking north-north-east:
// the ceiling, the floor, the north wall and the door to the bedroom are in view.
Camera DemoStartCamera(int width, int height);

}  // namespace walkhost
