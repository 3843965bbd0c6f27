// The precompiled header of the tests above the engine is made with this file.
