// Track-geometry loads: the component of a vehicle's weight across a canted
// track and the centrifugal load of its speed in a curve, from the cant and
// curvature that the wheel-rail interaction leaves at every wheel entry.
#pragma once

#include "model/run_context.h"

namespace tb {

// The loads, in the frame of the track plane, on a mass whose weight is
// mass_g (N), on a track plane tilted by the cant whose sine is s and cosine
// c, with the centrifugal load centrifugal (N, along the lateral axis):
// vertical is the change of the load normal to the track plane from the
// static weight (component 2), lateral the load along it (component 3).
struct TrackPlaneLoad {
  float vertical;
  float lateral;
};
TrackPlaneLoad track_plane_load(float mass_g, float s, float c, float centrifugal);

// Adds to vehicle_modal_force of every vehicle of every train: the loads of
// the mass type3_contact_param_a at node position 2 from the mean cant and
// curvature under the vehicle, those of the remaining mass, shared by the
// wheel entries, at each wheel node from the geometry there, and for contact
// type 3 in a curve the gravity restoring load of the roll of the type's
// node of smallest x. Sets vehicle_track_acceleration of every vehicle.
void compute_track_geometry_loads(RunContext& ctx);

}  // namespace tb
