#pragma once
// The silhouettes of the UI icons, each drawn in unit coordinates with a Pen so it reads at 12 to
// 24 pixels. `phase` animates the glyphs that have frames (0..1 over one loop).
#include "assetgen/ui_paint.h"

enum class Glyph {
    Unknown, Cross, Check, ArrowRight, ArrowLeft, ArrowUp, ArrowDown, Retreat, Turn, Scan, NextTurn, Shield,
    ShieldPlus, Star, Flask, Pulse, Trash, Hourglass, Transfer, Hammer, Magnifier, Crosshair, TriLeft, TriRight,
    TriUp, TriDown, ShipPlus, Menu, Disk, Folder, Gear, House, Power, MapToggle, Atom, Scrap, Graduate, Bolt,
    Stop, Blueprint, Chip, Person, DashedCircle, News, Galaxy, ShipList, Pencil, Coin, Energy, Portrait, Armour,
    MountRing, Presence, Pip, Eye, Swords, Badge, SwordsList, Course, Alert, Clock, Factory, Crane, Crew,
    Chevron, Trophy, Flame, Socket, HexPlate, Lock, TextEntry, Caret, Rank, ShipCrew, BaseCrew, Reassign,
    Wrench, Compass, GearWrench, Pickaxe, Cadet, SelectAll, ClearSelection, NoCommander, DiskStack, Sectors,
    Terminated, Post, Emblem, Burst, Calendar, Bullet, Weight, Grid, StationBroken, Swap, Sliders, Ok, Gauge,
    EncounterMarker, Gather, Lifebuoy, Pass, StopSquare, Countdown, Lost, Gift, Tally, Info, Steps, Expand,
    Collapse, Help, Construct, Harvester, Hull, Sectors2, Book, TurnCost, Pause, AbortRetreat, PowerOff, PowerOn,
    Target, Fleet, Crate, Barrier, Upgrade, BoostBolt, CrateEmpty, Warp, FlagStation, FlaskPause, Ship,
    FeatureAsteroid, FeatureNebula, FeatureRuin, FeatureCrystal, FeatureGas, FeatureDerelict, FeatureAnomaly,
    ArcSide, Flag, Busy, SystemWeapon, SystemBeam, SystemMissile, SystemEngine, SystemScanner, SystemShield,
    SystemArmour, SystemCloak, SystemRepair, SystemCargo, TechCircuit, TechHelix, TechPrism, TechOrbit,
    TechLattice, Neutral,
};

// Draws a glyph into the pen's box. frame/phase select the variant of glyphs with several pictures.
void draw_glyph(Pen &pen, Glyph glyph, int frame, float phase);
