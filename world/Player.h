// The player: an eye that turns, walks, follows the floors and is held off the walls.
#pragma once

struct PlayerRecord {
    float Yaw = 0;     // heading in degrees; 0 faces +y, 90 faces +x
    float Pitch = 0;   // view elevation in degrees, positive looks down
    float X = 0;
    float Y = 0;
    float Z = 0;       // height of the eye; z grows downward
    float YawRate = 0; // degrees per tick
    float Speed = 0;   // units per tick along the heading

    friend bool operator==(const PlayerRecord&, const PlayerRecord&) = default;
};

// The one player of the run. The movement code owns it; the spawn and the wall collision read
// and write it too.
inline PlayerRecord Player;

// Puts the player back to its start-of-program state: at the origin, facing +y, standing still.
inline void ResetPlayer() { Player = PlayerRecord{}; }
