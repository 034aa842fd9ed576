// The Pellan family's driver library. Its exports are added with the driver itself.
